#include "engine/SE_SetupThread.h"

#include <chrono>
#include <exception>

#include "engine/SE_AddOnClash.h"
#include "engine/SE_EntryNameCheck.h"
#include "engine/SE_ErrorHook.h"
#include "engine/SE_RunGameData.h"
#include "engine/SE_Uninstall_Items.h"
#include "engine/SE_Uninstall_List.h"
#include "engine/SE_Uninstaller.h"
#include "gamedata/SE_GameDataRefusal.h"
#include "gamedata/SE_VFS.h"
#include "package/ZTI_PakFile.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_PathVariables.h"
#include "script/SE_Progress.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunLock.h"
#include "script/SE_WrittenRecords.h"
#include "script/ZTI_CommandList.h"
#include "script/ZTI_CompLines.h"
#include "script/ZTI_SetupInfo.h"

namespace {
void SleepOneMillisecond() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

// A fatal stop met during the run (a game package that cannot be updated, the
// missing-package box cancelled), carried out of the command so that the run is
// undone before the program ends. Not one of the error family: nothing catches it on
// the way but the handlers that put a game file back as it was and go on with it.
struct TFatalStopOfRun {
  std::string message;
  int status;
};
}  // namespace

TSetupThread::TSetupThread() : TSetupThread(TSetupThreadSettings()) {}

TSetupThread::TSetupThread(TSetupThreadSettings settings)
    : settings_(std::move(settings)), thread_([this] { Execute(); }) {}

TSetupThread::~TSetupThread() {
  RequestQuit();
  WaitFor();
}

void TSetupThread::StartRun() {
  CurrentLine = -1;
  Running = true;
}

void TSetupThread::RequestQuit() { QuitRequested = true; }

void TSetupThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

void TSetupThread::Execute() {
  try {
    do {
      if (Running) RunScript();
      SleepOneMillisecond();
    } while (!QuitRequested);
  } catch (const std::exception& error) {
    Fail(error.what());
  } catch (...) {
    Fail("Unknown error");
  }
}

void TSetupThread::RunScript() {
  try {
    if (BeginRun()) {
      WalkLines();
      FinishRun();
      // The run stays active until its finish record is on the disk: when that cannot
      // be written, the stop below still finds it and undoes it.
      if (TSetupRun* run = ActiveRun()) run->MarkFinished();
      if (std::unique_ptr<TSetupRun> run = TakeActiveRun()) run->Finish();
      EndGameDataOfRun();
    }
  } catch (const ERunStopped& stop) {
    StopRun(stop.what());
  } catch (const EGameDataRefusal& error) {
    // Nothing the program did wrong: the player is told what to do, the run is undone.
    StopRun(error.what());
  } catch (const TFatalStopOfRun& stop) {
    EndWithFatalStop(stop.message, stop.status);
  }
  platform::SetFatalStopHandler(nullptr);
  ReleaseRunLock();
  Running = false;
}

// A package whose entries cannot all be written where their lines put them is refused
// before anything is touched. The run then holds the game folder's lock, so that no
// other run is going on there, and a journal an interrupted run left is dealt with.
// When that undo leaves files behind, its journal stays for the next try and this run
// does not begin: its own journal would take that one's place.
bool TSetupThread::BeginRun() {
  const TSetupInfo& info = SetupInfoFile().Info;
  const std::string installDir = ExpandVariables(std::string_view(info.InstallDir));
  if (const std::optional<std::string> unwritable = FirstUnwritableEntry(CompLines(), SetupPak())) {
    RefuseRun(*unwritable, true);
    return false;
  }
  // Another run's journal is no interrupted run while that run goes on.
  if (const TRunLockResult lock = HoldRunLock(installDir); lock.outcome != TRunLockOutcome::Held) {
    RefuseRun(lock.problem, lock.outcome == TRunLockOutcome::Unusable);
    return false;
  }
  // Another add-on's records at this setup's place would be replaced: nothing begins.
  if (const auto clash = AnotherAddOnInTheWay(info, installDir)) {
    RefuseRun(*clash, true);
    return false;
  }
  InstallGameDataRunHooks();
  const TUndoOutcome earlier = RecoverInterruptedRun(installDir, info.UninstallPrefix).undo;
  if (earlier.journalKept) {
    RefuseRun(InterruptedRunNotUndone(installDir, earlier), true);
    return false;
  }
  if (!earlier.Complete())
    platform::ShowMessageBox(InterruptedRunNotUndone(installDir, earlier), "Error",
                             platform::MessageButtons::Ok, platform::MessageIcon::Warning);
  auto run = std::make_unique<TSetupRun>(installDir, info.UninstallPrefix,
                                         InstalledFilesOf(installDir, info.UninstallPrefix));
  run->SetRegistryValuesRecordedBefore(RegistryValuesOf(installDir, info.UninstallPrefix));
  run->Begin();
  SetActiveRun(std::move(run));
  BeginGameDataOfRun();
  platform::SetFatalStopHandler([](const std::string& message, int status) {
    throw TFatalStopOfRun{message, status};
  });
  return true;
}

// The stop's own text and exit status, after the run is undone: the message then says
// that the game was left as it was (or what could not be taken back).
void TSetupThread::EndWithFatalStop(const std::string& message, int status) {
  platform::SetFatalStopHandler(nullptr);
  TUndoOutcome undone;
  if (std::unique_ptr<TSetupRun> run = TakeActiveRun()) undone = run->Undo();
  EndGameDataOfRun();
  const std::string outcome =
      undone.Complete()
          ? "Everything the installation had done was undone; the game was left as it was."
          : "Not everything the installation had done could be undone:\r" + UndoProblemsText(undone);
  AbortRequested = true;
  try {
    platform::FatalStop((message.empty() ? "The installation was cancelled." : message) + "\r" + outcome,
                        status);
  } catch (...) {
    // A test's end-of-process handler returns by throwing; the thread goes on idling.
  }
}

// A write the user cancelled, or the run's own records failing: everything the run
// did is taken back, newest first, and the run ends as failed (exit status 1).
void TSetupThread::StopRun(const std::string& what) {
  TUndoOutcome undone;
  if (std::unique_ptr<TSetupRun> run = TakeActiveRun()) undone = run->Undo();
  EndGameDataOfRun();
  const std::string message =
      "The installation was stopped: " + what + ".\r" +
      (undone.Complete() ? "Everything it had done was undone; the game was left as it was."
                         : "Not everything it had done could be undone:\r" + UndoProblemsText(undone));
  SetFinishText(platform::AnsiToWide(message), true);
  platform::ShowMessageBox(message, "Error", platform::MessageButtons::Ok, platform::MessageIcon::Error);
  AbortRequested = true;
}

// Nothing was done; the run ends as failed, as a stopped one does. tell: the user has
// not been shown why yet.
void TSetupThread::RefuseRun(const std::string& why, bool tell) {
  const std::string message = "The installation did not begin.\r" + why;
  SetFinishText(platform::AnsiToWide(message), true);
  if (tell)
    platform::ShowMessageBox(message, "Error", platform::MessageButtons::Ok, platform::MessageIcon::Error);
  AbortRequested = true;
}

void TSetupThread::WalkLines() {
  const TCompLines& lines = CompLines();
  const TCommandList& commands = CommandList();
  if (lines.Count() == 0) return;
  do {
    const int32_t index = ++CurrentLine;
    if (index >= 0 && index < lines.Count()) {
      const TCompLine& line = lines.Lines[index];
      if (TCommandClass* command = line.Command > 0 ? commands.Command(line.Command) : nullptr)
        command->Execute(line.LineNo);
    }
  } while (CurrentLine < lines.Count() && !AbortRequested && !ApplicationTerminating);
}

// Runs after the walk, also after an abort, so a failed installation still leaves an
// install log and an uninstaller for what it did.
void TSetupThread::FinishRun() {
  // An archive the last vfsupdate left open gets its header, digest and lookup table.
  CloseArchiveAtEndOfRun();
  const TSetupInfo& info = SetupInfoFile().Info;
  ForceDirectory(info.InstallDir);
  if (info.MakeUninstaller != 1) return;
  // A log or uninstaller that cannot be written stops the run (ERunStopped): without
  // them the installation could not be removed, so it is undone instead.
  SaveMadeFileStampsOfRun();
  UninstallList().Save(info.InstallDir, info.UninstallPrefix);
  WriteUninstaller(
      SetupPak(), info,
      settings_.programPath.empty() ? UninstallerProgramSource(SetupPak()) : settings_.programPath);
}

void TSetupThread::Fail(const std::string& text) {
  failed_ = true;
  // The program ends at once; what the run did so far is not left half done.
  try {
    TUndoOutcome undone;
    if (std::unique_ptr<TSetupRun> run = TakeActiveRun()) undone = run->Undo();
    EndGameDataOfRun();
    if (!undone.Complete())
      platform::ShowMessageBox(
          "The installation could not be undone completely:\r" + UndoProblemsText(undone), "Error",
          platform::MessageButtons::Ok, platform::MessageIcon::Warning);
  } catch (...) {
    // The journal stays; the next start undoes it.
  }
  ReportErrorThroughHook(text, kSetupThreadStage);
  try {
    platform::EndProcess(platform::kExitErrorReport);
  } catch (...) {
    // A test's end-of-process handler returns by throwing; the thread ends instead.
  }
  Running = false;
}
