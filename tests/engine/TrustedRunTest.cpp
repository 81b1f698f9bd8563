// A run works only from records no other user can plant, one run per game folder at a
// time: a run finds another holding the folder's lock and does nothing to the game
// until it has ended; a run journal planted in the game folder is no journal of the
// program's; originals an older setup kept in the game folder are taken over only
// for files inside the installation directory.
#include <gtest/gtest.h>

#include <set>

#include "SetupRunFixture.h"
#include "engine/SE_Uninstall_Items.h"
#include "engine/SE_Uninstall_List.h"
#include "platform/ExclusiveLock.h"
#include "platform/Files.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunJournal.h"
#include "script/SE_RunLock.h"
#include "script/SE_TrustedState.h"
#include "script/ZTI_CompLines.h"

namespace engine_test {
namespace {

constexpr const char* kScript =
    "name Demo\nshortname Demo\nprefix Demo\nuninstallpages uninstall\nfile files\\\n";

class TrustedRunTest : public SetupRun {
 protected:
  void PrepareGame() {
    WriteSource("files/game.dat", "new game data");
    WriteSource("files/a.txt", "new a");
    HostWrite("C:\\Games\\Demo\\game.dat", "original game data");
  }
  void ExpectGameUntouched() {
    EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "original game data");
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\a.txt"));
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Demo_install.log"));
  }
};

// Another run (this add-on's or another's, the folder spelt any way) holds the lock:
// Cancel leaves the game and the other run's journal as they are; Retry once the
// other run has ended installs.
TEST_F(TrustedRunTest, ARunIntoAFolderAnotherRunHoldsWaitsAndChangesNothing) {
  const char* spellings[] = {"C:\\Games\\Demo", "c:\\GAMES\\demo\\"};
  for (const char* spelling : spellings) {
    SCOPED_TRACE(spelling);
    Fresh();
    PrepareGame();
    Pack(kScript);
    // The other run: its journal names a file it made, which it is still working on.
    HostWrite("C:\\Games\\Demo\\theirs.txt", "the other run's");
    ASSERT_TRUE(MakeGameFolderState(At(spelling)));
    {
      TRunJournalFile journal;
      ASSERT_TRUE(journal.Create(RunJournalPath(At(spelling), "Demo_")));
      ASSERT_TRUE(journal.Append({'F', {At("C:\\Games\\Demo\\theirs.txt")}}, true));
    }
    platform::ExclusiveLock other = platform::ExclusiveLock::TryAcquire(RunLockPath(At(spelling)));
    ASSERT_TRUE(other.Held());

    Run();
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0].buttons, platform::MessageButtons::RetryCancel);
    EXPECT_EQ(asked_[0].text, AnotherRunText(At("C:\\Games\\Demo")));
    EXPECT_TRUE(AbortRequested);
    EXPECT_TRUE(RunLockRefused());
    ExpectGameUntouched();
    EXPECT_EQ(HostRead("C:\\Games\\Demo\\theirs.txt"), "the other run's");
    EXPECT_TRUE(platform::FileExists(JournalOf("Demo_")));

    // Retry: the other run ends (here between two answers, so at the latest the
    // second Retry finds the lock free); its journal is then an interrupted run's.
    asked_.clear();
    AbortRequested = false;
    answers_ = {platform::MessageResult::Retry, platform::MessageResult::Retry};
    whileRunning_ = [&] {
      if (!asked_.empty()) other.Release();
    };
    Run();
    whileRunning_ = nullptr;
    EXPECT_FALSE(AbortRequested);
    EXPECT_FALSE(RunLockRefused());
    EXPECT_FALSE(asked_.empty());
    EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "new game data");
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\theirs.txt"));
  }
}

// A journal in the game folder, where the program once kept its own, is nobody's: a
// run neither undoes nor finishes it, and keeps its own journal and the originals it
// replaces in the trusted folder.
TEST_F(TrustedRunTest, ARunJournalPlantedInTheGameFolderIsNotActedOn) {
  PrepareGame();
  HostWrite("C:\\Games\\Victim\\keep.txt", "not the add-on's");
  const std::string planted =
      EncodeRunRecord({'F', {At("C:\\Games\\Victim\\keep.txt")}}) +
      EncodeRunRecord({'R', {At("C:\\Games\\Demo\\game.dat"), At("C:\\Games\\x"), "0"}});
  HostWrite("C:\\Games\\Demo\\Demo_run.journal", planted);
  Pack(kScript);
  Run();
  EXPECT_FALSE(AbortRequested);
  EXPECT_EQ(HostRead("C:\\Games\\Victim\\keep.txt"), "not the add-on's");
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\Demo_run.journal"), planted);
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "new game data");
  EXPECT_EQ(TrustedRead(BackupsOf("Demo_") + "\\INSTDIRgame.dat"), "original game data");
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\Demo_backup"));
}

// An installation by an older setup: its originals in the game folder. A new run of
// the setup takes over the one for a file inside the installation directory, so that
// its uninstaller gives the game its file back, and not the one for a file elsewhere,
// which any user could have put there; the old folder goes.
TEST_F(TrustedRunTest, OriginalsAnOlderSetupKeptInTheGameFolderAreTakenOverOnlyForTheGamesOwnFiles) {
  PrepareGame();
  HostWrite("C:\\Games\\Demo\\game.dat", "the older add-on's data");
  const std::string evil = At("C:\\windows\\evil.dll");
  HostWrite("C:\\Games\\Demo\\Demo_backup\\INSTDIRgame.dat", "original game data");
  HostWrite(MirrorPath(At("C:\\Games\\Demo\\Demo_backup"), evil), "planted");
  TInstallLogLists old;
  old.Files = {"$INSTDIRgame.dat", evil};
  const std::vector<uint8_t> log = SerializeInstallLog(old);
  HostWrite("C:\\Games\\Demo\\Demo_install.log", std::string(log.begin(), log.end()));
  Pack(kScript);
  Run();
  ASSERT_FALSE(AbortRequested);
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "new game data");
  EXPECT_EQ(TrustedRead(BackupsOf("Demo_") + "\\INSTDIRgame.dat"), "original game data");
  EXPECT_FALSE(platform::FileExists(MirrorPath(BackupsOf("Demo_"), evil)));
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\Demo_backup"));

  TFileUninstaller files(At("C:\\Games\\Demo\\"), "Demo_");
  for (const std::string& item : {std::string("$INSTDIRgame.dat"), std::string("$INSTDIRa.txt"), evil})
    files.Uninstall(item);
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "original game data");
  EXPECT_FALSE(HostFileExists("C:\\windows\\evil.dll"));
}

// A run undone after it took the older setup's originals over leaves them where the
// older uninstaller looks for them.
TEST_F(TrustedRunTest, AnUndoneRunGivesTheOlderSetupItsOriginalsBack) {
  PrepareGame();
  HostWrite("C:\\Games\\Demo\\Demo_backup\\INSTDIRgame.dat", "original game data");
  TInstallLogLists old;
  old.Files = {"$INSTDIRgame.dat"};
  const std::vector<uint8_t> log = SerializeInstallLog(old);
  HostWrite("C:\\Games\\Demo\\Demo_install.log", std::string(log.begin(), log.end()));
  auto run = std::make_unique<TSetupRun>(At("C:\\Games\\Demo\\"), "Demo_",
                                         InstalledFilesOf(At("C:\\Games\\Demo"), "Demo_"));
  run->Begin();
  EXPECT_EQ(TrustedRead(BackupsOf("Demo_") + "\\INSTDIRgame.dat"), "original game data");
  EXPECT_TRUE(run->Undo().Complete());
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\Demo_backup\\INSTDIRgame.dat"), "original game data");
  EXPECT_FALSE(platform::FileExists(BackupsOf("Demo_") + "\\INSTDIRgame.dat"));
}

// A log no setup saved (planted, or changed since) that the script loads: only its
// files and folders inside the installation directory are taken over into the log
// the setup saves, never a file elsewhere or a registry value.
TEST_F(TrustedRunTest, ALoadedLogNoSetupSavedGivesOnlyWhatLiesInsideTheInstallationDirectory) {
  TInstallLogLists planted;
  planted.Files = {"$INSTDIRkeep.txt", At("C:\\windows\\system32\\x.dll")};
  planted.RegistryEntries = {"\"HKLM\" \"Software\\Microsoft\\Windows\\CurrentVersion\\Run\" \"x\" \"1\""};
  planted.Directories = {At("C:\\Games\\Demo\\sub"), At("C:\\windows\\system32")};
  const std::vector<uint8_t> bytes = SerializeInstallLog(planted);
  HostWrite("C:\\Games\\Demo\\Demo_install.log", std::string(bytes.begin(), bytes.end()));
  Pack("name Demo\nprefix Demo\nuninstallpages uninstall\nuninstalllogload $INSTDIR Demo_\n");
  Run();
  ASSERT_FALSE(AbortRequested);
  const auto log = InstallLog("C:\\Games\\Demo\\", "Demo_");
  ASSERT_TRUE(log);
  std::string saved;
  for (const std::string& line : *log) saved += line + "\n";
  EXPECT_NE(saved.find("F $INSTDIRkeep.txt"), std::string::npos) << saved;
  EXPECT_NE(saved.find("D " + At("C:\\Games\\Demo\\sub")), std::string::npos) << saved;
  EXPECT_EQ(saved.find("system32"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("CurrentVersion"), std::string::npos) << saved;
}

}  // namespace
}  // namespace engine_test
