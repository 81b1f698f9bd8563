// TFrmMain: the installation handed to the setup thread, the removal in uninstall
// mode, and the finaliser an uninstaller starts when it closes.
#include "engine/SE_InstallLogDigest.h"
#include "engine/SE_Uninstall_Items.h"
#include "engine/SE_Uninstall_List.h"
#include "engine/SE_UninstallRun.h"
#include "engine/SE_Uninstaller.h"
#include "lang/ZTI_Language.h"
#include "lang/ZTI_ReplaceText.h"
#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "platform/TemporaryProgram.h"
#include "script/SE_Global.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_RunChanges.h"
#include "script/ZTI_CompLines.h"
#include "script/ZTI_SetupInfo.h"
#include "ui/FormMain.h"

namespace {

// A phase reports item p of n only from the first item that makes up a whole percent.
bool ShowsProgress(int64_t p, int64_t n) { return p * 100 / n >= 1; }

// As the finaliser does: the folder an uninstaller stood in goes when nothing else is
// left in it, a drive's root never.
void RemoveFolderWhenEmpty(const std::string& file) {
  const size_t slash = file.find_last_of("\\/");
  if (slash != std::string::npos && slash > 3) platform::RemoveEmptyDirectory(file.substr(0, slash));
}

}  // namespace

std::u16string TFrmMain::FormatItemProgress(const std::u16string& name, int64_t number, int64_t total) {
  std::u16string text = Languages().GetText(19);
  text = ReplaceText(text, u"<%ZTPNAME%>", name);
  text = ReplaceText(text, u"<%FNUM%>", platform::AnsiToWide(std::to_string(number)));
  return ReplaceText(text, u"<%FTOTAL%>", platform::AnsiToWide(std::to_string(total)));
}

void TFrmMain::RunInstallation() {
  try {
    // The checked option of each language page, the last such page winning.
    for (const auto& page : SEPageControl.Pages) {
      if (page->PageKind != kPageLanguageSelection) continue;
      for (TControl* control : page->Controls) {
        if (control->Kind() == TControlKind::Radio && control->Checked()) {
          SetupVariables().LanguageSelection = platform::AnsiToWide(platform::WideToAnsi(control->Caption()));
          break;
        }
      }
    }
    SetWorkingState(true);
    ProgressMax = SetupPak().CountGrouped();
    ShowStatusText(u"Status: 0 of " + platform::AnsiToWide(std::to_string(ProgressMax)) +
                   u" files extracted");
    if (ProgressGauge) {
      ProgressGauge->Gauge()->SetProgress(0);
      ProgressGauge->Gauge()->SetMax(ProgressMax);
    }
    UninstallList().AddDirectory(InstallDir());
    if (worker_) {
      worker_->StartRun();
      while (worker_->Running()) {
        ProcessMessages();
        platform::SleepMs(1);
      }
    }
    // The run's last changes are still queued; show them before moving on.
    ProcessMessages();
    runCompleted_ = true;
    SEPageControl.ShowPage(SEPageControl.CurrentPage + 1);
    SetWorkingState(false);
  } catch (const std::exception& e) {
    if (!OnUnexpectedError) throw;
    Terminate(e.what());
  }
}

void TFrmMain::SetUninstallProgress(const std::u16string& status, int32_t gauge) {
  if (StatusLabel) {
    StatusLabel->SetCaption(status);
    if (StatusLabel->Parent()) StatusLabel->Parent()->RepaintNow();
  }
  if (ProgressGauge) {
    ProgressGauge->Gauge()->SetProgress(gauge);
    ProgressGauge->RepaintNow();
  }
}

void TFrmMain::RunUninstallation() {
  const TUninstallList& list = UninstallList();
  const int32_t files = static_cast<int32_t>(list.Files().size());
  const int32_t dirs = static_cast<int32_t>(list.Directories().size());
  const int32_t regs = static_cast<int32_t>(list.RegistryEntries().size());
  SetWorkingState(true);
  ProgressMax = files + dirs + regs;
  ShowStatusText(u"Status: 0 of " + platform::AnsiToWide(std::to_string(ProgressMax)) + u" items remaining");
  if (ProgressGauge) {
    ProgressGauge->Gauge()->SetProgress(0);
    ProgressGauge->Gauge()->SetMax(ProgressMax);
  }

  // A file whose original the setup kept gets the original back (or hands it to the
  // add-on that replaced the file since). Each step is journalled before it is taken,
  // so that a start after a kill finishes the job without taking a step twice.
  const std::string& prefix = SetupInfoFile().Info.UninstallPrefix;
  TUninstallRun run(InstallDir(), prefix, list.Lists());
  // Read before the backup folder goes: the old data of values the add-on wrote over.
  const TRegistryUninstaller registryUninstaller(InstallDir(), prefix);
  platform::Status going = run.Begin();
  for (int32_t p = 1; going && p <= files; ++p) {
    if (ShowsProgress(p, files)) SetUninstallProgress(FormatItemProgress(u"", p, files), p);
    going = run.TakeFile(static_cast<size_t>(p - 1));
  }
  if (!going) {
    // The journal cannot be kept: what is left stays for a later start.
    platform::ShowMessageBox(going.Problem(), "Error", platform::MessageButtons::Ok,
                             platform::MessageIcon::Error);
    AbortRequested = true;
    runCompleted_ = true;
    SetWorkingState(false);
    SEPageControl.ShowPage(SEPageControl.CurrentPage + 1);
    return;
  }
  // A game file that changed since the add-on was installed stayed as it is: say which.
  if (const std::string kept = run.KeptFilesText(); !kept.empty())
    platform::ShowMessageBox(kept, "Uninstall", platform::MessageButtons::Ok,
                             platform::MessageIcon::Information);
  // The last directory recorded is the deepest: remove from the end.
  for (int32_t p = 1; p <= dirs; ++p) {
    if (ShowsProgress(p, dirs))
      SetUninstallProgress(FormatItemProgress(Languages().GetText(25), p, dirs), files + p);
    RemoveRecordedDirectory(list.Directories()[static_cast<size_t>(dirs - p)]);
  }
  for (int32_t p = 1; p <= regs; ++p) {
    if (ShowsProgress(p, regs))
      SetUninstallProgress(FormatItemProgress(Languages().GetText(24), p, regs), files + dirs + p);
    registryUninstaller.Uninstall(list.RegistryEntries()[static_cast<size_t>(p - 1)]);
  }

  const TSetupInfo& info = SetupInfoFile().Info;
  const std::string uninstallKey = kUninstallKeyPath + info.ShortName;
  // A key that is gone already, or stays, changes nothing for the player: the run is
  // done either way.
  if (auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, uninstallKey, false)) {
    static_cast<void>(key->DeleteValue("DisplayName"));
    static_cast<void>(key->DeleteValue("UninstallString"));
    key->Close();
    static_cast<void>(platform::DeleteRegistryKey(platform::RegistryRoot::LocalMachine, uninstallKey));
  }
  // The log goes only once its end is recorded: a start after a kill in between finds
  // the journal, not a log to take back a second time.
  if (run.MarkEnd()) {
    const std::string log = TUninstallList::LogPath(InstallDir(), info.UninstallPrefix);
    platform::DeleteFileAt(log);
    ForgetSavedLogDigest(log);
    // The backups, with the old data of the values, go only now: a start after a kill
    // before here takes the values back again and still finds what they had (a value
    // given back already no longer holds the add-on's data and stays).
    RemoveTree(BackupFolder(InstallDir(), prefix));
    run.Finish();
    // The journal stays until the finaliser is started: a start after a kill before
    // then finds the end recorded and finishes it.
    uninstallEnded_ = true;
  }
  runCompleted_ = true;
  SetWorkingState(false);
  SEPageControl.ShowPage(SEPageControl.CurrentPage + 1);
}

void TFrmMain::RemoveRegistryEntry(const std::string& line) { RemoveRecordedRegistryValue(line); }

// What goes is the uninstaller file the uninstallation was read from, never the program
// that read it: a player's own setup program that opened an uninstaller stays.
void TFrmMain::RunFinaliser() {
  const std::string uninstaller = SetupPak().FileName();
  if (!platform::SameTextAscii(uninstaller, platform::OwnExecutablePath())) {
    // That file is not running, so it can go at once, and no finaliser is needed (one
    // for another system, a Windows uninstaller's opened on Linux, could not run).
    SetupPak().Close();
    if (platform::DeleteFileAt(uninstaller)) RemoveFolderWhenEmpty(uninstaller);
    return;
  }
  const TFoundEntry found = SetupPak().FindEntry("FINALISE.EXE", 0);
  if (!found.Data) return;
  // A private copy: a file in the shared temporary folder could be made, or changed,
  // by another user before the elevated uninstaller starts it.
  platform::StartTemporaryProgram("FINALISE.exe", found.Data->data(), found.Data->size(),
                                  "\"" + uninstaller + "\"");
}
