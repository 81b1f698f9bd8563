#include "engine/SE_SetupThread.h"

#include <chrono>
#include <exception>

#include "engine/SE_ErrorHook.h"
#include "engine/SE_Uninstall_List.h"
#include "engine/SE_Uninstaller.h"
#include "gamedata/SE_VFS.h"
#include "package/ZTI_PakFile.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "script/SE_FileHelpers.h"
#include "script/ZTI_CommandList.h"
#include "script/ZTI_CompLines.h"
#include "script/ZTI_SetupInfo.h"

namespace {
void SleepOneMillisecond() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
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
  WalkLines();
  FinishRun();
  Running = false;
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
  UninstallList().Save(info.InstallDir, info.UninstallPrefix);
  WriteUninstaller(SetupPak(), info,
                   settings_.programPath.empty() ? platform::OwnExecutablePath()
                                                 : settings_.programPath);
}

void TSetupThread::Fail(const std::string& text) {
  failed_ = true;
  ReportErrorThroughHook(text, kSetupThreadStage);
  try {
    platform::EndProcess(platform::kExitErrorReport);
  } catch (...) {
    // A test's end-of-process handler returns by throwing; the thread ends instead.
  }
  Running = false;
}
