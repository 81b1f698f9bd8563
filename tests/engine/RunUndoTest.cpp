// Failed runs are undone and replaced game files come back: a write that fails (a
// read-only target, a write failing in the middle of a group) asks Retry/Cancel, and
// Cancel takes back everything the run did, newest first; a run journal left by a
// killed run is undone by the next start; originals kept by a run are put back by
// the uninstaller's restore.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine/SE_Uninstall_Items.h"
#include "engine/SE_Uninstall_List.h"
#include "platform/FaultInjection.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunFiles.h"
#include "script/ZTI_CompLines.h"
#include "SetupRunFixture.h"

namespace engine_test {
namespace {

constexpr const char* kScript =
    "name Demo\nshortname Demo\nprefix Demo\nuninstallpages uninstall\n"
    "writeregstr HKCU Software\\Demo Version 2\n"
    "writeregstr HKCU Software\\Game Language new\n"
    "file files\\\n";

constexpr const char* kSecondScript =
    "name Two\nshortname Two\nprefix Two\nuninstallpages uninstall\nfile files\\\n";

class RunUndoTest : public SetupRun {
 protected:
  void PrepareGame() {
    WriteSource("files/a.txt", "new a");
    WriteSource("files/game.dat", "new game data");
    WriteSource("files/z.txt", "new z");
    HostWrite("C:\\Games\\Demo\\game.dat", "original game data");
    ASSERT_TRUE(platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, "Software\\Game", true)
                    ->WriteString("Language", "old"));
  }
  // Both add-ons installed, each as a setup program of its own would: the second
  // starts with an empty uninstall list.
  void InstallTwoAddOns() {
    PrepareGame();
    Pack(kScript);
    Run();
    ASSERT_FALSE(AbortRequested);
    UninstallList().Clear();
    WriteSource("files/game.dat", "second add-on data");
    Pack(kSecondScript);
    Run();
    ASSERT_FALSE(AbortRequested);
  }
  // The file step of an add-on's uninstaller: each file of its install log, then its
  // backup folder and its log.
  void UninstallFilesOf(const std::string& prefix) {
    TUninstallList log;
    ASSERT_TRUE(log.Load("C:\\Games\\Demo", prefix));
    const TFileUninstaller files("C:\\Games\\Demo\\", prefix);
    for (const std::string& item : log.Files()) files.Uninstall(item);
    RemoveTree(files.BackupFolderPath());
    platform::DeleteFileAt(TUninstallList::LogPath("C:\\Games\\Demo", prefix));
  }
  // The game's folder holds its own file again and nothing else of the add-ons' but
  // their uninstallers (which remove themselves when they end).
  void ExpectGameFileOnly() {
    EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "original game data");
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(Host("C:\\Games\\Demo\\")))
      left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"Demo_Uninstall.exe", "Two_Uninstall.exe", "game.dat"}));
  }
  void ExpectGameAsItWas() {
    EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "original game data");
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\a.txt"));
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\z.txt"));
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Demo_install.log"));
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Demo_run.journal"));
    EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\Demo_backup"));
    EXPECT_EQ(RegValue(platform::RegistryRoot::CurrentUser, "Software\\Game", "Language"), "old");
    EXPECT_FALSE(RegValue(platform::RegistryRoot::CurrentUser, "Software\\Demo", "Version"));
    // Nothing but the game file is left in the game's folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(Host("C:\\Games\\Demo\\")), fs::directory_iterator()), 1);
  }
};

TEST_F(RunUndoTest, ACancelledWriteToAReadOnlyTargetUndoesTheWholeRun) {
  PrepareGame();
  Pack(kScript);
  fs::permissions(Host("C:\\Games\\Demo\\game.dat"), fs::perms::owner_read);
  Run();
  fs::permissions(Host("C:\\Games\\Demo\\game.dat"), fs::perms::owner_all);
  ASSERT_FALSE(asked_.empty());
  EXPECT_EQ(asked_[0].caption, "Error");
  EXPECT_EQ(asked_[0].buttons, platform::MessageButtons::RetryCancel);
  EXPECT_NE(asked_[0].text.find("game.dat"), std::string::npos) << asked_[0].text;
  EXPECT_NE(asked_[0].text.find("Permission denied"), std::string::npos) << asked_[0].text;
  EXPECT_NE(asked_.back().text.find("the game was left as it was"), std::string::npos);
  EXPECT_TRUE(AbortRequested);
  ExpectGameAsItWas();
}

// The drive fails at the first, the second, ... write of the run (a file's content,
// the journal's records, the install log, the uninstaller) and keeps failing, until
// a run no longer reaches the failing write. Each run that meets it stops and leaves
// the game as it was; the one that does not meet it installs.
TEST_F(RunUndoTest, AWriteFailingAtAnyPointOfTheRunUndoesTheWholeRun) {
  std::set<std::string> filesNamed;
  bool completed = false;
  for (int64_t write = 1; write < 1000 && !completed; ++write) {
    const bool full = write % 2 == 1;
    SCOPED_TRACE("write " + std::to_string(write) + (full ? ", disk full" : ", I/O error"));
    Fresh();
    PrepareGame();
    Pack(kScript);
    platform::ArmWriteFault(write, full ? platform::WriteFault::DiskFull : platform::WriteFault::IoError);
    Run();
    platform::DisarmWriteFault();
    if (!platform::WriteFaultFired()) {
      // The run has fewer writes than this: it must have finished, untouched by faults.
      completed = true;
      EXPECT_FALSE(AbortRequested);
      EXPECT_TRUE(asked_.empty());
      EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "new game data");
      EXPECT_EQ(HostRead("C:\\Games\\Demo\\Demo_backup\\INSTDIRgame.dat"), "original game data");
      break;
    }
    // A file's write asks Retry/Cancel (answered Cancel); the journal's own stops the
    // run at once. Either way the reason is the system's.
    ASSERT_FALSE(asked_.empty());
    EXPECT_EQ(asked_[0].caption, "Error");
    EXPECT_NE(asked_[0].text.find(full ? "No space left" : "Input/output error"), std::string::npos)
        << asked_[0].text;
    EXPECT_NE(asked_.back().text.find("the game was left as it was"), std::string::npos)
        << asked_.back().text;
    EXPECT_TRUE(AbortRequested);
    ExpectGameAsItWas();
    for (const char* file : {"a.txt", "game.dat", "z.txt"})
      if (asked_[0].buttons == platform::MessageButtons::RetryCancel &&
          asked_[0].text.find(file) != std::string::npos)
        filesNamed.insert(file);
  }
  EXPECT_TRUE(completed);
  // Each file of the group was once the one that failed, the middle one included.
  EXPECT_EQ(filesNamed, (std::set<std::string>{"a.txt", "game.dat", "z.txt"}));
}

TEST_F(RunUndoTest, AJournalLeftByAKilledRunIsUndoneByTheNextStart) {
  PrepareGame();
  {
    auto run = std::make_unique<TSetupRun>("C:\\Games\\Demo\\", "Demo_", std::unordered_set<std::string>{});
    run->Begin();
    SetActiveRun(std::move(run));
    WriteBytesOfRun("C:\\Games\\Demo\\game.dat", reinterpret_cast<const uint8_t*>("replaced"), 8);
    WriteBytesOfRun("C:\\Games\\Demo\\new\\new.txt", reinterpret_cast<const uint8_t*>("n"), 1);
    // Neither committed nor undone: what a kill leaves (the journal stays on the disk).
    TakeActiveRun().reset();
  }
  EXPECT_TRUE(HostFileExists("C:\\Games\\Demo\\Demo_run.journal"));
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "replaced");
  EXPECT_EQ(RecoverInterruptedRun("C:\\Games\\Demo", "Demo_"), TRunRecovery::Undone);
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "original game data");
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\new"));
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Demo_run.journal"));
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\Demo_backup"));
}

// Two add-ons, each a setup with its own prefix, replace the same game file one after
// the other; the second keeps the first one's version as its original. Whichever of
// them is uninstalled first, the one left keeps its file until it goes too, and then
// the game has its own file back and nothing of either add-on is left.
TEST_F(RunUndoTest, TwoAddOnsReplacingOneFileGiveTheGameItsFileInEitherUninstallOrder) {
  const struct {
    const char* first;
    const char* second;
    const char* fileBetween;     // game.dat once the first is gone
    const char* keptForTheGame;  // the original the one left holds for it
  } orders[] = {
      {"Two_", "Demo_", "new game data", "Demo_backup\\INSTDIRgame.dat"},
      {"Demo_", "Two_", "second add-on data", "Two_backup\\INSTDIRgame.dat"},
  };
  for (const auto& order : orders) {
    SCOPED_TRACE(std::string(order.first) + " uninstalled first");
    Fresh();
    InstallTwoAddOns();
    if (HasFatalFailure()) return;
    // The backup folders hold each original under its install log item, with the
    // installation directory's variable spelled out.
    ASSERT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "second add-on data");
    ASSERT_EQ(HostRead("C:\\Games\\Demo\\Demo_backup\\INSTDIRgame.dat"), "original game data");
    ASSERT_EQ(HostRead("C:\\Games\\Demo\\Two_backup\\INSTDIRgame.dat"), "new game data");
    ASSERT_EQ(HostRead("C:\\Games\\Demo\\Two_backup\\INSTDIRa.txt"), "new a");

    UninstallFilesOf(order.first);
    EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), order.fileBetween);
    EXPECT_EQ(HostRead("C:\\Games\\Demo\\" + std::string(order.keptForTheGame)), "original game data");
    EXPECT_TRUE(HostFileExists("C:\\Games\\Demo\\a.txt"));

    UninstallFilesOf(order.second);
    ExpectGameFileOnly();
  }
}

}  // namespace
}  // namespace engine_test
