#include "app/SE_Startup.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/SErrorLog.h"
#include "app/SE_StartupRules.h"
#include "engine/SE_RunGameData.h"
#include "engine/SE_ErrorHook.h"
#include "engine/SE_InstallLogDigest.h"
#include "engine/SE_RegisterCommands.h"
#include "engine/SE_Uninstall_List.h"
#include "engine/SE_UninstallRun.h"
#include "lang/ZTI_Language.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_PakVerify.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "platform/WorkerCount.h"
#include "script/SE_GameFoundIn.h"
#include "script/SE_Global.h"
#include "script/SE_InstallRecorder.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunLock.h"
#include "script/SE_TextHelpers.h"
#include "script/SE_TrustedState.h"
#include "script/ZTI_CommandList.h"
#include "script/ZTI_CompLines.h"
#include "script/ZTI_GameStores.h"
#include "script/ZTI_SetupInfo.h"
#include "ui/FormMain.h"
#include "ui/SE_SetupThreadWorker.h"
#include "ui/SE_View.h"
#include "stores/GameLocation.h"
#include "ui/VerifyForm.h"

namespace {

// How much of what verification reads is kept for the extraction: enough for most
// add-ons, and never more than an eighth of the machine's memory.
uint64_t KeptContentBudget() {
  constexpr uint64_t kMostKept = 256ull << 20;
  return std::min(kMostKept, platform::PhysicalMemoryBytes() / 8);
}

// Thrown by a step that stops start-up with its fixed message.
struct TStop {
  TStartupStop stop;
};
// Thrown when another run into the folder goes on and the user chose not to wait.
struct TFolderBusy {};

class TStartup {
 public:
  TStartup(const TSetupOptions& options, TWizardView& view) : options_(options), view_(view) {}
  int Run();

 private:
  void OpenPackage();
  void Verify();
  void ReadSetupInfo();
  void LoadInstallLog();
  void RecoverInterruptedRun();
  void LoadScript();
  void CheckFileName();
  void CheckDataFiles();
  void LoadLanguages();
  void FindInstallDir();
  bool ReadInstallDirFromRegistry();
  int RunWizard();
  int Outcome(int viewStatus) const;

  const TSetupOptions& options_;
  TWizardView& view_;
  uint16_t languageId_ = 0;
  TGameStoreIds stores_;  // the stores the script names; empty in an uninstaller
  std::unique_ptr<TFrmMain> form_;
  std::unique_ptr<TFrmVerify> verify_;
};

// Reports an unexpected error; a report that cannot be written is told on stderr.
void Report(const std::string& text, const std::string& stage) {
  try {
    ReportError(text, stage);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Error%s%s%s: %s\n(the error report could not be written: %s)\n",
                 stage.empty() ? "" : " (", stage.c_str(), stage.empty() ? "" : ")", text.c_str(), e.what());
  }
}

int TStartup::Run() {
  languageId_ = options_.language ? *options_.language : platform::DefaultLanguageId();
  try {
    form_ = std::make_unique<TFrmMain>(&view_, std::make_unique<TSetupThreadWorker>());
    form_->OnUnexpectedError = [](const std::string& text) { Report(text, ""); };
    form_->SetApplicationTitle(platform::AnsiToWide(TFrmVerify::kCaption));
    verify_ = std::make_unique<TFrmVerify>(&view_);
    verify_->SetStatusText("Loading Header");
    verify_->SetProgress(0, 100);
    OpenPackage();
    CheckDataFiles();
    Verify();
    SetupVariables().CDDrive = FirstCDDrive();
    ReadSetupInfo();
    const bool uninstall = SetupInfoFile().Info.Uninstall == 1;
    if (uninstall) SetupPak().VerifiedContents().Clear();  // nothing will be extracted
    if (uninstall) LoadInstallLog();
    else LoadScript();
    // An uninstallation writes nothing; its pages still show a size, not an empty text.
    TSetupVariables& v = SetupVariables();
    if (uninstall) v.SpaceRequired = 0;
    v.SpaceRequiredText = FormatSize(v.SpaceRequired);
    SetupVariables().ProgramFilesDir = SpecialFolder(platform::kFolderProgramFiles) + "\\";
    SetupVariables().StartMenuProgramsDir = SpecialFolder(platform::kFolderPrograms) + "\\";
    if (!uninstall && !options_.package) CheckFileName();
    LoadLanguages();
    if (!uninstall) FindInstallDir();
    // The setup's run takes the lock again when it begins, for the folder then chosen.
    if (!uninstall) RecoverInterruptedRun();
    if (!uninstall) ReleaseRunLock();
    return RunWizard();
  } catch (const TFolderBusy&) {
    return platform::kExitFolderBusy;
  } catch (const TStop& s) {
    platform::ShowMessageBox(s.stop.text, s.stop.caption, platform::MessageButtons::Ok,
                             platform::MessageIcon::Error);
    return platform::kExitStartupStop;
  } catch (const std::exception& e) {
    Report(e.what(), "");
    return platform::kExitErrorReport;
  }
}

void TStartup::OpenPackage() {
  SetupPak().Create(options_.package ? *options_.package : platform::OwnExecutablePath(), false, false);
  if (!SetupPak().Header().IsPackage()) throw TStop{InvalidHeaderStop()};
  if (SetupPak().MadeByNewerTool()) throw TStop{NewerToolStop()};
}

// A split setup's data files are checked whole before its entries: the table vouches
// for their size and SHA-256, and nothing is read from them but through the handles
// checked here. The window's bar counts their bytes.
void TStartup::CheckDataFiles() {
  TPak& pak = SetupPak();
  if (pak.DataFileParts().empty()) return;
  verify_->SetStatusText("Checking the data files");
  constexpr int32_t kSteps = 1000;
  verify_->SetProgress(0, kSteps);
  const std::string program = options_.package ? *options_.package : platform::OwnExecutablePath();
  const std::optional<TDataFileFault> fault =
      pak.AttachDataFiles(DataFileStemOfSetup(program), [&](uint64_t done, uint64_t total) {
        verify_->SetProgress(static_cast<int32_t>(total ? done * kSteps / total : kSteps), kSteps);
      });
  if (fault) throw TStop{DataFileStop(fault->Text())};
}

void TStartup::Verify() {
  try {
    TPak& pak = SetupPak();
    const uint32_t count = pak.DeclaredCount();
    verify_->SetStatusText(TFrmVerify::StatusLine(0, count));
    verify_->SetProgress(0, static_cast<int32_t>(count));
    // The entries are checked on all workers; the verdicts come in table order, so the
    // window counts up smoothly and a failure names the first bad entry. What is read
    // is kept, within bounds, for the extraction.
    VerifyEntries(pak, {platform::WorkerCount(), &pak.VerifiedContents(), KeptContentBudget()},
                  [&](int index, const TEntryVerdict& verdict) {
                    const uint32_t i = static_cast<uint32_t>(index);
                    if (verdict.Rejected) throw platform::ESetupError("error");  // as zlib's refusal reads
                    if (!verdict.Passes) {
                      if (verdict.InflatedLength) pak.ShowLengthMessage(index, *verdict.InflatedLength);
                      throw TStop{VerificationFailedStop(i, pak.Entries()[i].Name)};
                    }
                    verify_->SetStatusText(TFrmVerify::StatusLine(i + 1, count));
                    verify_->SetProgress(static_cast<int32_t>(i + 1), static_cast<int32_t>(count));
                    return true;
                  });
    // A table that ends before the header's count, or a damaged extended table, is as
    // corrupt as a bad entry.
    if (pak.Count() < count || !pak.TableComplete())
      throw TStop{VerificationFailedStop(static_cast<uint32_t>(pak.Count()), "")};
    view_.HoldVerifyWindow(500);
    verify_.reset();
  } catch (const TStop&) {
    throw;
  } catch (const std::exception& e) {
    // The report is written and start-up goes on, the window left as it stands.
    Report(e.what(), kStageVerification);
  }
}

void TStartup::ReadSetupInfo() {
  const TFoundEntry found = SetupPak().FindEntry("SetupInfo", 0);
  if (!found.Data) throw TStop{SetupInfoMissingStop()};
  SetupInfoFile().LoadFromBuffer(found.Data->data(), found.Data->size());
}

// A run of this installation that was killed left its journal: it is undone (or
// finished, when it had finished) before anything else, so this start sees the
// installation as it was before that run or as the complete run left it.
// Only a journal whose lock is free is left by an interrupted run: while another run
// holds the lock, its journal is its own and stays as it is.
void TStartup::RecoverInterruptedRun() {
  const TSetupInfo& info = SetupInfoFile().Info;
  if (info.InstallDir.empty()) return;
  InstallGameDataRunHooks();
  const std::string installDir = ExpandVariables(info.InstallDir);
  if (!TryHoldRunLock(installDir)) return;
  const TRunRecoveryResult recovered = ::RecoverInterruptedRun(installDir, info.UninstallPrefix);
  // What it left is told; its journal, when it stays, is tried again by the setup's
  // run and by the next start.
  if (!recovered.undo.Complete())
    platform::ShowMessageBox(InterruptedRunNotUndone(installDir, recovered.undo), "Error",
                             platform::MessageButtons::Ok, platform::MessageIcon::Warning);
  else if (recovered.done == TRunRecovery::Undone)
    std::fprintf(stderr, "Note: an interrupted installation in \"%s\" was undone\n", info.InstallDir.c_str());
  else if (recovered.done == TRunRecovery::Finished)
    std::fprintf(stderr, "Note: an interrupted installation in \"%s\" was finished\n",
                 info.InstallDir.c_str());
}

// The uninstaller holds the folder's lock from here to its end: the log it reads stays
// the one it acts on, and no setup or other uninstaller works in the folder meanwhile.
void TStartup::LoadInstallLog() {
  TSetupInfo& info = SetupInfoFile().Info;
  // A game folder that was moved (or renamed) since: the uninstaller sits beside its log
  // in the new place, and takes that as the installation directory.
  if (!platform::FileExists(TUninstallList::LogPath(info.InstallDir, info.UninstallPrefix))) {
    const std::string ownFolder = ExtractFileDir(platform::OwnExecutablePath());
    if (platform::FileExists(TUninstallList::LogPath(ownFolder, info.UninstallPrefix))) {
      platform::ShowMessageBox(
          "The install log is not in \"" + info.InstallDir +
              "\", where the add-on was installed, but beside the uninstaller: the add-on "
              "is removed from \"" +
              ownFolder + "\".",
          "Uninstall", platform::MessageButtons::Ok, platform::MessageIcon::Information);
      const std::string recorded = info.InstallDir;
      info.InstallDir = ownFolder + "\\";
      if (const platform::Status moved = FollowMovedGameFolder(
              ExpandVariables(recorded), ExpandVariables(info.InstallDir), info.UninstallPrefix);
          !moved)
        platform::ShowMessageBox(moved.Problem(), "Uninstall", platform::MessageButtons::Ok,
                                 platform::MessageIcon::Warning);
    }
  }
  if (!info.InstallDir.empty()) {
    const TRunLockResult lock = HoldRunLock(ExpandVariables(info.InstallDir));
    if (lock.outcome == TRunLockOutcome::Busy) throw TFolderBusy{};
    if (lock.outcome == TRunLockOutcome::Unusable) throw TStop{{"Error", lock.problem}};
  }
  RecoverInterruptedRun();
  const std::string logPath = TUninstallList::LogPath(info.InstallDir, info.UninstallPrefix);
  if (!platform::FileExists(logPath)) {
    // Killed after its log went, before its end: its journal says every item is done,
    // and the run with nothing left to take back finishes the rest.
    if (info.InstallDir.empty() ||
        !UninstallEndRecorded(ExpandVariables(info.InstallDir), info.UninstallPrefix))
      throw TStop{InstallLogMissingStop()};
    std::fprintf(stderr, "Note: an interrupted uninstallation in \"%s\" is finished\n",
                 info.InstallDir.c_str());
    UninstallList().Clear();
    return;
  }
  // Read once: what is checked is what is acted on.
  const std::optional<Bytes> log = platform::ReadWholeFile(logPath);
  if (!log) platform::RaiseSystemError("Cannot open file \"" + logPath + "\"");
  if (const platform::Status checked = CheckInstallLog(info, logPath, *log); !checked)
    throw TStop{{"Error", checked.Problem()}};
  UninstallList().LoadFromBytes(*log);
}

void TStartup::LoadScript() {
  const TFoundEntry found = SetupPak().FindEntry("CompiledLines", 0);
  if (!found.Data) throw TStop{CompiledLinesMissingStop()};
  if (!CompLines().LoadFromBuffer(found.Data->data(), found.Data->size()))
    throw TStop{CompiledLinesCorruptStop()};
  RegisterCommands();
  if (const TFoundEntry stores = SetupPak().FindEntry(kGameStoresEntryName, 0); stores.Data)
    stores_ = LoadGameStoreIds(stores.Data->data(), stores.Data->size());
  const std::vector<bool> groupIsUpdate = GroupIsUpdate(CompLines(), CommandList());
  SetupVariables().SpaceRequired = RequiredSpace(SetupPak().Entries(), groupIsUpdate);
}

void TStartup::CheckFileName() {
  const std::string own = ExtractFileName(platform::OwnExecutablePath());
  const std::string& expected = SetupInfoFile().Info.SetupExeName;
  if (!SetupFileNameMatches(own, expected)) throw TStop{RenamedStop(expected, own)};
}

void TStartup::LoadLanguages() {
  TPak& pak = SetupPak();
  for (std::optional<int> i = pak.FirstIndexInGroup(0); i; i = pak.NextIndexInGroup(0)) {
    const TPakFile& entry = pak.Entries()[static_cast<size_t>(*i)];
    if (!IsLanguageEntryName(entry.Name)) continue;
    const std::optional<Bytes> data = pak.ReadEntry(*i);
    Languages().AddLanguage(data ? data->data() : nullptr, data ? data->size() : 0, entry.Name);
  }
  Languages().SelectLanguage(languageId_);
}

// The setup's own registry value, when it names a directory.
bool TStartup::ReadInstallDirFromRegistry() {
  TSetupInfo& info = SetupInfoFile().Info;
  const TREGKEY& reg = info.InstallDirRegKey;
  if (reg.Key.empty()) return false;
  const auto key = platform::RegistryKey::Open(RootKeyFromCode(reg.HKEY), reg.Path, false);
  if (!key) return false;
  const auto value = key->ReadString(reg.Key);
  if (!value || value->empty()) return false;
  info.InstallDir = *value;
  return true;
}

void TStartup::FindInstallDir() {
  TSetupInfo& info = SetupInfoFile().Info;
  // Where the registry does not say, the stores that put the game on disk know better
  // than the script's default.
  if (!ReadInstallDirFromRegistry() && !stores_.Empty()) {
    if (const auto found = LocateGame({stores_.SteamAppIds, stores_.GogGameIds})) {
      info.InstallDir = found->Folder;
      GameFoundIn() = found->Store;
      std::fprintf(stderr, "Game folder: %s (found in %s)\n", platform::AnsiToUtf8(found->Folder).c_str(),
                   platform::AnsiToUtf8(found->From).c_str());
    }
  }
  // A directory chosen on the command line is a directory: only when there is none at
  // all does the setup ask for the software to be installed first.
  if (info.InstallDir.empty() && options_.directory) info.InstallDir = *options_.directory;
  if (info.InstallDir.empty()) throw TStop{NoInstallDirStop()};
  // The directory may still hold a variable ("$PROGRAMFILES\..."): its drive is
  // the expanded one's.
  MeasureSpaceAvailable(ExpandVariables(info.InstallDir));
}

int TStartup::RunWizard() {
  if (!form_->SetPagesUp()) throw TStop{NoPagesStop()};
  const int status = view_.Run(*form_);
  ApplicationTerminating = true;
  const int outcome = Outcome(status);
  form_.reset();
  return outcome;
}

int TStartup::Outcome(int viewStatus) const {
  if (viewStatus != kExitByOutcome) return viewStatus;
  if (form_->Terminated()) return platform::kExitErrorReport;
  if (AbortRequested) return RunLockRefused() ? platform::kExitFolderBusy : platform::kExitScriptFailed;
  if (form_->ClosedOnFinishPage() || form_->RunCompleted()) return platform::kExitFinished;
  return platform::kExitCancelled;
}

}  // namespace

int RunSetup(const TSetupOptions& options, TWizardView& view) {
  view.InstallHandlers();
  SetInstallRecorder(&UninstallList());
  SetErrorReporter([](const std::string& text, const std::string& stage) { ReportError(text, stage); });
  return TStartup(options, view).Run();
}
