// What an uninstaller acts on is what its setup recorded: an install log changed or
// made after the setup saved it is refused before anything is removed, and an
// uninstaller started while another run works in the folder waits or, unattended,
// ends with its own status having done nothing.
//
// The uninstaller runs as a program of its own on the test machine's drive C: and
// registry, which only a Wine-style prefix (WINEPREFIX) can give a child program: on
// Windows the test machine is the test process's own registry view.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/SE_InstallLogDigest.h"
#include "engine/SE_Uninstall_List.h"
#include "engine/SE_Uninstaller.h"
#include "platform/Dialogs.h"
#include "platform/ExclusiveLock.h"
#include "platform/Registry.h"
#include "script/SE_TrustedState.h"
#include "script/ZTI_SetupInfo.h"
#include "support/HostFiles.h"
#include "support/PakBytes.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ProgramResult;
using testing_support::StoredEntry;

fs::path DataDir() { return fs::path(SE_SOURCE_DIR) / "data"; }

std::string AsText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

class TrustedRecords : public ::testing::Test {
 protected:
  testing_support::TempPrefix prefix_;
  const fs::path game_ = prefix_.DriveC() / "Games" / "Test";
  const fs::path victim_ = prefix_.DriveC() / "windows" / "system32" / "victim.dll";

  void SetUp() override {
    for (const fs::path& file : {game_ / "addon.txt", victim_}) {
      fs::create_directories(file.parent_path());
      std::ofstream(file) << "keep";
    }
  }

  // The uninstaller of the add-on "Test" (prefix T_) in C:\Games\Test, run unattended.
  ProgramResult RunUninstaller() {
    TSetupInfoFile info;
    info.Info.SetupName = info.Info.ShortName = "Test";
    info.Info.SetupExeName = "Test_Setup.exe";
    info.Info.InstallDir = "C:\\Games\\Test\\";
    info.Info.UninstallPrefix = "T_";
    info.Info.Uninstall = 1;
    std::vector<testing_support::HandEntry> entries;
    for (const auto& file : fs::directory_iterator(DataDir() / "layout" / "uninstall"))
      entries.push_back(
          StoredEntry(file.path().filename().string(), testing_support::ReadHostFile(file.path()), 0));
    entries.push_back(
        StoredEntry("LANGUAGE-install/english.wri",
                    testing_support::ReadHostFile(DataDir() / "languages" / "install/english.wri"), 0));
    entries.push_back(StoredEntry("SetupInfo", AsText(info.SaveToBytes()), 0));
    const fs::path package = prefix_.DriveC() / "setups" / "uninstall.bin";
    fs::create_directories(package.parent_path());
    const std::vector<uint8_t> bytes = testing_support::BuildPackage(entries);
    std::ofstream(package, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return testing_support::RunProgram("setup", {package.string(), "--silent"});
  }

  std::vector<uint8_t> WriteLog(const std::vector<std::string>& files,
                                const std::vector<std::string>& registry = {}) {
    TInstallLogLists lists;
    lists.Files = files;
    lists.RegistryEntries = registry;
    const std::vector<uint8_t> bytes = SerializeInstallLog(lists);
    std::ofstream(game_ / "T_install.log", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return bytes;
  }

  void RecordDigest(const std::vector<uint8_t>& log) {
    auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine,
                                           std::string(kUninstallKeyPath) + "Test", true);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->WriteString(kInstallLogDigestValue, InstallLogDigestOf(log.data(), log.size())));
  }
};

}  // namespace

TEST_F(TrustedRecords, AnInstallLogTheSetupDidNotSaveIsRefusedBeforeAnythingIsRemoved) {
  const std::string planted = "C:\\windows\\system32\\victim.dll";
  const char* runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::string plantedValue = "\"HKLM\" \"" + std::string(runKey) + "\" \"x\" \"1\"";
  const struct {
    const char* what;
    std::vector<std::string> saved;     // the log the setup saved (its digest is kept)
    std::vector<std::string> onDisk;    // the log the uninstaller finds
    std::vector<std::string> registry;  // the values in the log it finds
    const char* told;
  } cases[] = {
      {"a log of which the setup kept no record",
       {},
       {"$INSTDIRaddon.txt", planted},
       {},
       "The setup kept no record of the install log"},
      {"an item added to the saved log",
       {"$INSTDIRaddon.txt"},
       {"$INSTDIRaddon.txt", planted},
       {},
       "was changed after the setup saved it"},
      {"an HKLM value added to the saved log",
       {"$INSTDIRaddon.txt"},
       {"$INSTDIRaddon.txt"},
       {plantedValue},
       "was changed after the setup saved it"},
      {"a file and an HKLM value in a log of which the setup kept no record",
       {},
       {planted},
       {plantedValue},
       "The setup kept no record of the install log"},
  };
  {
    auto run = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, runKey, true);
    ASSERT_TRUE(run && run->WriteString("x", "the machine's"));
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    static_cast<void>(platform::DeleteRegistryKey(platform::RegistryRoot::LocalMachine,
                                                  std::string(kUninstallKeyPath) + "Test"));
    if (!c.saved.empty()) RecordDigest(WriteLog(c.saved));
    WriteLog(c.onDisk, c.registry);
    const ProgramResult run = RunUninstaller();
    EXPECT_EQ(run.status, platform::kExitStartupStop) << run.err;
    EXPECT_NE(run.err.find(c.told), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("T_install.log"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(victim_));
    EXPECT_TRUE(fs::exists(game_ / "addon.txt"));
    EXPECT_TRUE(fs::exists(game_ / "T_install.log"));
    const auto value = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, runKey, false);
    EXPECT_TRUE(value && value->ReadString("x") == "the machine's");
  }
  // The log the setup saved is acted on.
  RecordDigest(WriteLog({"$INSTDIRaddon.txt"}));
  const ProgramResult run = RunUninstaller();
  EXPECT_EQ(run.status, platform::kExitFinished) << run.err;
  EXPECT_FALSE(fs::exists(game_ / "addon.txt"));
  EXPECT_TRUE(fs::exists(victim_));
}

TEST_F(TrustedRecords, AnUninstallerStartedWhileAnotherRunHoldsTheFolderDoesNothing) {
  RecordDigest(WriteLog({"$INSTDIRaddon.txt"}));
  ASSERT_TRUE(MakeGameFolderState("C:\\Games\\Test"));
  // Any spelling of the folder is the same folder.
  platform::ExclusiveLock other = platform::ExclusiveLock::TryAcquire(RunLockPath("c:\\GAMES\\test\\"));
  ASSERT_TRUE(other.Held());
  ProgramResult run = RunUninstaller();
  EXPECT_EQ(run.status, platform::kExitFolderBusy) << run.err;
  EXPECT_NE(run.err.find("Another installation into \"C:\\Games\\Test\" is running"), std::string::npos)
      << run.err;
  EXPECT_TRUE(fs::exists(game_ / "addon.txt"));
  EXPECT_TRUE(fs::exists(game_ / "T_install.log"));
  // Once the other run has ended, however it ended, the uninstaller goes ahead.
  other.Release();
  run = RunUninstaller();
  EXPECT_EQ(run.status, platform::kExitFinished) << run.err;
  EXPECT_FALSE(fs::exists(game_ / "addon.txt"));
}
