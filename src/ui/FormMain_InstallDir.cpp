// TFrmMain: the installation-directory page (the edit box, the folder tree beside it)
// and the free space of the chosen drive.
#include "lang/S_DecimalSeperator.h"
#include "platform/CodePage.h"
#include "platform/Drives.h"
#include "script/SE_Global.h"
#include "ui/FormMain.h"

bool MeasureSpaceAvailable(const std::string& directory) {
  if (directory.empty()) return false;
  const char letter = platform::AsciiUpper(directory.substr(0, 1))[0];
  if (letter < 'A' || letter > 'Z') return false;
  const int64_t free = platform::FreeBytesOnDrive(letter - 'A' + 1);
  TSetupVariables& v = SetupVariables();
  v.SpaceAvailable = free > 0 ? static_cast<uint64_t>(free) : 0;
  v.SpaceAvailableText = FormatSize(v.SpaceAvailable);
  return true;
}

bool DriveCanTakeInstallation(const std::string& path) {
  switch (platform::DriveTypeOf(path.substr(0, 3))) {
    case platform::DriveType::Removable:
    case platform::DriveType::Fixed:
    case platform::DriveType::Network: return true;
    default: return false;
  }
}

void TFrmMain::InstallDir_Edit_Change() {
  if (!InstallDirEdit) return;
  const std::string text = platform::WideToAnsi(InstallDirEdit->Caption());
  if (SEPageControl.CurrentKind() == kPageInstallDir) {
    if (!DriveCanTakeInstallation(text)) {
      NextButton.SetEnabled(false);
      return;
    }
    NextButton.SetEnabled(true);
    if (InstallDirVisited) InstallDir() = IncludeBackslash(text);
    MeasureSpaceAvailable(InstallDir());
  }
  if (InstallDirTree) MoveTreeToPath(text, true);
}

void TFrmMain::ShellTreeViewChange() {
  if (!InstallDirEdit || !InstallDirTree || SEPageControl.CurrentKind() != kPageInstallDir) return;
  const std::string folder = InstallDirTree->Tree()->SelectedPath();
  if (folder.empty() || !DriveCanTakeInstallation(folder)) return;
  InstallDirEdit->SetCaption(platform::AnsiToWide(folder));
}

void TFrmMain::MoveTreeToPath(const std::string& path, bool expanding) {
  if (InstallDirTree) InstallDirTree->Tree()->MoveToPath(path, expanding);
}

void TFrmMain::ChooseInstallDir(const std::string& directory) {
  InstallDir() = IncludeBackslash(directory);
  MeasureSpaceAvailable(InstallDir());
  if (InstallDirEdit) InstallDirEdit->SetCaption(platform::AnsiToWide(InstallDir()));
}
