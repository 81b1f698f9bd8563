// Run steps of the file commands, and the search for the CD-ROM drive that holds a
// file. What the commands create is recorded for the uninstaller through the install
// recorder (ForceDirectory records the directories it makes).
#include <chrono>
#include <thread>

#include "lang/ZTI_ReplaceText.h"
#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Drives.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_Global.h"
#include "script/SE_InstallRecorder.h"
#include "script/SE_PathVariables.h"
#include "script/SE_Progress.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunFiles.h"
#include "script/ZTI_CommandsFile.h"
#include "script/ZTI_CommandsRun.h"
#include "script/ZTI_PakExtract.h"

namespace {

constexpr uint16_t kTextCopying = 17;  // "Copying File <%FILENAME%>"

// The registry condition of an 8-parameter `file` line: p2 root, p3 key (created when
// missing), p4 value name, p5 expected data (compared exactly; a missing value reads
// as empty), p6 "0", "false" or "f" to ask for a difference, anything else for
// equality.
bool RegistryConditionHolds(const TCompLine& line) {
  const platform::RegistryRoot root = RootKeyFromCode(RootCodeFromName(Param(line, 2)));
  const auto key = platform::RegistryKey::Open(root, Param(line, 3), true);
  const bool equal = key && key->ReadString(Param(line, 4)).value_or(std::string()) == Param(line, 5);
  const std::string flag = platform::AsciiLower(Param(line, 6));
  const bool wantDifferent = flag == "0" || flag == "false" || flag == "f";
  return wantDifferent ? !equal : equal;
}

// The group's entries are written as directory + "\" + name; the directory loses its
// trailing backslashes so that recorded paths have single separators, as the paths
// of the other commands (expanded, with runs of backslashes folded) do.
std::string WithoutTrailingBackslashes(std::string directory) {
  while (!directory.empty() && directory.back() == '\\') directory.pop_back();
  return directory;
}

// Whether a directory path leaves nothing to remove below a drive root: empty, a
// root ("C:\", "\"), or a path whose "." and ".." components lead back to one.
bool IsRootOrEmpty(const std::string& path) {
  size_t start = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  int depth = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (part == "..") depth = depth > 0 ? depth - 1 : 0;
    else if (!part.empty() && part != ".") ++depth;
    start = end + 1;
  }
  return depth == 0;
}

bool IsSameFile(const std::string& a, const std::string& b) {
  const auto first = platform::FileFactsOf(a), second = platform::FileFactsOf(b);
  return first && second && first->volumeId == second->volumeId && first->fileId == second->fileId;
}

// A file this run made, or that an earlier run of this setup installed.
bool OwnedBySetup(const std::string& path) {
  const TSetupRun* run = ActiveRun();
  return run && (run->CreatedByRun(path) || run->InstalledBefore(CollapseVariables(std::string_view(path))));
}

}  // namespace

std::string ResolveCdDrive(const std::string& path) {
  const std::u16string wide = platform::AnsiToWide(path);
  if (FindTextFolded(wide, u"$CDDRIVE") == std::u16string::npos) return path;
  for (const std::string& root : platform::LogicalDriveRoots()) {
    if (platform::DriveTypeOf(root) != platform::DriveType::CdRom) continue;
    const std::string candidate =
        platform::WideToAnsi(ReplaceText(wide, u"$CDDRIVE", platform::AnsiToWide(root)));
    if (platform::FileExists(candidate)) return candidate;
  }
  return path;
}

void TFileCommand::Execute(int32_t lineIndex) {
  const TCompLine& line = RunLine(lineIndex);
  const int32_t count = line.ParamCount();
  if (count != 2 && count != 3 && count != 8) {
    platform::ShowMessageBox("TFileCommand.SFXProcess - Param Count Invalid!!!", "Error");
    return;
  }
  const uint16_t group = GroupOfLine(line);
  if (count == 8 && !RegistryConditionHolds(line)) return;
  std::string directory = InstallDir();
  if (count != 2) directory = IncludeBackslash(directory) + IncludeBackslash(Param(line, 1));
  ExtractGroupToDirectory(SetupPak(), WithoutTrailingBackslashes(directory), group);
}

void TCopyFileCommand::Execute(int32_t lineIndex) {
  const TCompLine& line = RunLine(lineIndex);
  const std::string source = ExpandVariables(std::string_view(ResolveCdDrive(Param(line, 0))));
  const std::string target = ExpandVariables(std::string_view(Param(line, 1)));
  ForceDirectory(ExtractFileDir(target));
  SetStatusText(TextWithFileName(kTextCopying, ExtractFileName(source)));
  // An absent source stays silent, as scripts rely on; so does a copy onto itself.
  // A target that cannot be written asks Retry/Cancel.
  const bool existed = platform::FileExists(target);
  bool copied = false;
  if (platform::FileExists(source) && !IsSameFile(source, target)) {
    WriteFileOfRun(target,
                   [&](const std::string& temp) { return platform::CopyFileOverwriting(source, temp); });
    copied = true;
  }
  // Recorded also when no copy was made, for a target that is not there (the
  // uninstaller skips a missing file) or that is the setup's own; never for a file
  // that was there and stayed as it was: that is the game's, and the uninstaller
  // would delete it.
  if (copied || !existed || OwnedBySetup(target)) RecordInstalledFile(target);
}

void TRenameCommand::Execute(int32_t lineIndex) {
  TCompLine& line = RunLine(lineIndex);
  const std::string from = ExpandParamInPlace(line, 0);
  const std::string to = ExpandParamInPlace(line, 1);
  if (platform::FileExists(from)) platform::RenameFile(from, to);
}

void TDeleteCommand::Execute(int32_t lineIndex) {
  TCompLine& line = RunLine(lineIndex);
  const std::string path = ExpandParamInPlace(line, 0);
  if (platform::FileExists(path)) platform::DeleteFileAt(path);
}

void TRMDirCommand::Execute(int32_t lineIndex) {
  // The flag (p1) does not change the removal: the whole tree goes either way. A
  // variable that expands to nothing must not turn the line into "remove a drive".
  const std::string directory = ExpandVariables(std::string_view(Param(RunLine(lineIndex), 0)));
  if (!IsRootOrEmpty(directory)) RemoveTree(directory);
}

void TCreateDirectoryCommand::Execute(int32_t lineIndex) {
  const std::string directory = ExpandVariables(std::string_view(Param(RunLine(lineIndex), 0)));
  ForceDirectory(directory);
  // The named directory is recorded even when it existed before; the uninstaller
  // removes it only if it is empty by then.
  RecordCreatedDirectory(directory);
}

void TExecuteCommand::Execute(int32_t lineIndex) {
  TCompLine& line = RunLine(lineIndex);
  const std::string program = ExpandParamInPlace(line, 0);
  const std::string parameters = line.ParamCount() >= 2 ? ExpandParamInPlace(line, 1) : "";
  platform::ProcessHandle process;
  if (!platform::StartWithDefaultAction(program, parameters, &process)) return;
  // The setup thread waits, not the window; an abort or the program's end stops the
  // wait (the started program goes on by itself).
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } while (!process.HasEnded() && !AbortRequested && !ApplicationTerminating);
  process.Release();
}
