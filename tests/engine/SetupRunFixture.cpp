#include "SetupRunFixture.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "engine/SE_ErrorHook.h"
#include "engine/SE_RegisterCommands.h"
#include "engine/SE_Uninstall_List.h"
#include "lang/ZTI_Language.h"
#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/FaultInjection.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "script/SE_Global.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunLock.h"
#include "script/ZTI_CommandList.h"
#include "script/ZTI_CompLines.h"
#include "script/ZTI_SetupInfo.h"
#include "support/LanguageBytes.h"
#include "support/RunProgram.h"
#include "support/HostFiles.h"

namespace engine_test {

namespace {

using testing_support::ReadHostFile;

struct EndProcessCalled {};

// Everything the program keeps in its single objects goes back to the start.
void ResetProgramState() {
  SetupPak() = TPak();
  SetupInfoFile() = TSetupInfoFile();
  CompLines() = TCompLines();
  CommandList().Clear();
  UninstallList().Clear();
  SetupVariables() = TSetupVariables();
  CurrentLine = -1;
  AbortRequested = false;
  ApplicationTerminating = false;
  SetInstallRecorder(nullptr);
  platform::SetMessageBoxHandler(nullptr);
  platform::SetEndProcessHandler(nullptr);
  SetErrorReporter(nullptr);
  platform::ReleaseFileInUse();
  ReleaseRunLock();
}

}  // namespace

void SetupRun::SetUp() {
  prefix_.emplace();
  work_.emplace();
  answers_.clear();
  asked_.clear();
  reported_.clear();
  endedWith_.clear();
  settings_ = TSetupThreadSettings();
  threadFailed_ = false;
  whileRunning_ = nullptr;
  ResetProgramState();
  testing_support::UseLanguageTable(
      u"English\r\n0409;\r\n"
      u"17 Copying File <%FILENAME%>\r\n"
      u"18 Extracting <%FILENAME%>\r\n"
      u"22 Creating shortcuts\r\n"
      u"23 The installation failed.\r\n");
  sink_ = std::make_unique<testing_support::RecordingSink>();
  SetInstallRecorder(&UninstallList());
  platform::SetMessageBoxHandler([this](const std::u16string& text, const std::u16string& caption,
                                        platform::MessageButtons buttons, platform::MessageIcon icon) {
    std::future<platform::MessageResult> answer;
    {
      std::lock_guard<std::mutex> lock(boxMutex_);
      pending_.push_back(
          PendingBox{AskedBox{platform::WideToUtf8(text), platform::WideToUtf8(caption), buttons, icon}, {}});
      answer = pending_.back().answer.get_future();
    }
    return answer.get();  // the setup thread waits for the user-interface thread
  });
  platform::SetEndProcessHandler([this](int status) {
    endedWith_.push_back(status);
    throw EndProcessCalled{};
  });
  SetErrorReporter(
      [this](const std::string& text, const std::string& stage) { reported_.emplace_back(text, stage); });
}

void SetupRun::TearDown() {
  sink_.reset();
  ResetProgramState();
  Languages() = TLanguages();
  work_.reset();
  prefix_.reset();
}

void SetupRun::WriteSource(const std::string& relative, const std::string& content) {
  const fs::path path = work_->Path() / relative;
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

void SetupRun::Pack(const std::string& script, const std::string& installDir,
                    const std::optional<std::string>& stub) {
  WriteSource("setup.txt", script);
  // The package of an earlier Pack is closed first, as that setup program would have
  // ended: Windows replaces no file that is open.
  SetupPak() = TPak();
  packagePath_ = work_->Path() / "out" / "Setup.exe";
  fs::create_directories(packagePath_.parent_path());
  std::vector<std::string> args = {(work_->Path() / "setup.txt").string(), "-o", packagePath_.string(),
                                   "--data", std::string(SE_SOURCE_DIR) + "/data"};
  if (stub) {
    args.insert(args.end(), {"--stub", *stub});
  } else {
    args.push_back("--package-only");
  }
  const testing_support::ProgramResult packed = testing_support::RunProgram("mksetup", args);
  ASSERT_EQ(packed.status, 0) << packed.err;

  SetupPak().Create(platform::WindowsPathOf(packagePath_.string()), false, false);
  const TFoundEntry info = SetupPak().FindEntry("SetupInfo", 0);
  ASSERT_TRUE(info.Data);
  SetupInfoFile().LoadFromBuffer(info.Data->data(), info.Data->size());
  const TFoundEntry lines = SetupPak().FindEntry("CompiledLines", 0);
  ASSERT_TRUE(lines.Data);
  ASSERT_TRUE(CompLines().LoadFromBuffer(lines.Data->data(), lines.Data->size()));
  RegisterCommands();

  TSetupVariables& variables = SetupVariables();
  // The system's folders, moved onto the test machine where it is not the system's.
  variables.ProgramFilesDir = At(IncludeBackslash(SpecialFolder(platform::kFolderProgramFiles)));
  variables.StartMenuProgramsDir = At(IncludeBackslash(SpecialFolder(platform::kFolderPrograms)));
  // A machine has its system folders; the Windows test machine starts with none.
  for (const std::string& folder : {variables.ProgramFilesDir, variables.StartMenuProgramsDir})
    fs::create_directories(Host(folder));
  variables.CDDrive = FirstCDDrive();
  InstallDir() = At(ExpandVariables(std::string_view(installDir)));
}

void SetupRun::PumpBoxes() {
  std::lock_guard<std::mutex> lock(boxMutex_);
  while (!pending_.empty()) {
    PendingBox& box = pending_.front();
    asked_.push_back(box.box);
    platform::MessageResult answer = platform::MessageResult::Cancel;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
    box.answer.set_value(answer);
    pending_.pop_front();
  }
}

void SetupRun::Run() {
  UninstallList().AddDirectory(InstallDir());
  TSetupThread thread(settings_);
  thread.StartRun();
  // A guard against a run that never ends, so a fault fails the test instead of
  // hanging it; no result depends on how long the run takes.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (thread.Running) {
    PumpBoxes();
    if (whileRunning_) whileRunning_();
    if (std::chrono::steady_clock::now() > giveUp) {
      ADD_FAILURE() << "the setup thread did not finish its run";
      ApplicationTerminating = true;
      AbortRequested = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  threadFailed_ = thread.Failed();
  thread.RequestQuit();
  thread.WaitFor();
  EXPECT_TRUE(pending_.empty());
}

fs::path SetupRun::Host(const std::string& windowsPath) const {
  const std::optional<std::string> host = platform::HostPathOf(At(windowsPath));
  EXPECT_TRUE(host) << windowsPath;
  return host ? fs::path(*host) : fs::path();
}

std::string SetupRun::JournalOf(const std::string& prefix) const {
  return RunJournalPath(At("C:\\Games\\Demo"), prefix);
}

std::string SetupRun::BackupsOf(const std::string& prefix) const {
  return BackupFolder(At("C:\\Games\\Demo"), prefix);
}

std::string SetupRun::TrustedRead(const std::string& path) {
  const auto bytes = platform::ReadWholeFile(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

bool SetupRun::HostFileExists(const std::string& windowsPath) const {
  return fs::is_regular_file(Host(windowsPath));
}

bool SetupRun::HostDirExists(const std::string& windowsPath) const {
  return fs::is_directory(Host(windowsPath));
}

std::string SetupRun::HostRead(const std::string& windowsPath) const {
  return ReadHostFile(Host(windowsPath));
}

void SetupRun::HostWrite(const std::string& windowsPath, const std::string& content) const {
  const fs::path path = Host(windowsPath);
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

std::string SetupRun::RegistryFile(const std::string& name) const {
  return ReadHostFile(prefix_->Root() / name);
}

std::optional<std::string> SetupRun::RegValue(platform::RegistryRoot root, const std::string& key,
                                              const std::string& name) const {
  const auto opened = platform::RegistryKey::Open(root, key, false);
  return opened ? opened->ReadString(name).AsOptional() : std::nullopt;
}

std::optional<std::vector<std::string>> SetupRun::InstallLog(const std::string& directory,
                                                             const std::string& prefix) const {
  const auto bytes = platform::ReadWholeFile(TUninstallList::LogPath(At(directory), prefix));
  if (!bytes) return std::nullopt;
  const TParsedInstallLog log = ParseInstallLog(bytes->data(), bytes->size());
  EXPECT_TRUE(log.complete);
  std::vector<std::string> items;
  for (const auto& item : log.lists.Files) items.push_back("F " + item);
  for (const auto& item : log.lists.RegistryEntries) items.push_back("R " + item);
  for (const auto& item : log.lists.Directories) items.push_back("D " + item);
  return items;
}

}  // namespace engine_test
