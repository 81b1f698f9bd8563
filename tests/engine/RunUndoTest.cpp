// Failed runs are undone and replaced game files come back: a write that fails (a
// read-only target, a write failing in the middle of a group) asks Retry/Cancel, and
// Cancel takes back everything the run did, newest first; a run journal left by a
// killed run is undone by the next start; originals kept by a run are put back by
// the uninstaller's restore.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine/SE_RunGameData.h"
#include "engine/SE_Uninstall_Items.h"
#include "engine/SE_Uninstall_List.h"
#include "gamedata/ZT_GroupEntries.h"
#include "gamedata/ZT_PakSystem.h"
#include "platform/CodePage.h"
#include "platform/FaultInjection.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunFiles.h"
#include "script/SE_RunJournal.h"
#include "script/ZTI_CompLines.h"
#include "SetupRunFixture.h"
#include "SystemReasons.h"

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
    ASSERT_TRUE(log.Load(At("C:\\Games\\Demo"), prefix));
    TFileUninstaller files(At("C:\\Games\\Demo\\"), prefix);
    for (const std::string& item : log.Files()) files.Uninstall(item);
    RemoveTree(files.BackupFolderPath());
    platform::DeleteFileAt(TUninstallList::LogPath(At("C:\\Games\\Demo"), prefix));
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
  EXPECT_NE(asked_[0].text.find(AccessDeniedReason()), std::string::npos) << asked_[0].text;
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
    EXPECT_NE(asked_[0].text.find(full ? DiskFullReason() : WriteFailedReason()), std::string::npos)
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
    auto run =
        std::make_unique<TSetupRun>(At("C:\\Games\\Demo\\"), "Demo_", std::unordered_set<std::string>{});
    run->Begin();
    SetActiveRun(std::move(run));
    WriteBytesOfRun(At("C:\\Games\\Demo\\game.dat"), reinterpret_cast<const uint8_t*>("replaced"), 8);
    WriteBytesOfRun(At("C:\\Games\\Demo\\new\\new.txt"), reinterpret_cast<const uint8_t*>("n"), 1);
    // Neither committed nor undone: what a kill leaves (the journal stays on the disk).
    TakeActiveRun().reset();
  }
  EXPECT_TRUE(HostFileExists("C:\\Games\\Demo\\Demo_run.journal"));
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "replaced");
  EXPECT_EQ(RecoverInterruptedRun(At("C:\\Games\\Demo"), "Demo_").done, TRunRecovery::Undone);
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "original game data");
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\new"));
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Demo_run.journal"));
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\Demo_backup"));
}

// A new file's write that fails asks Retry/Cancel naming the file (also where the file
// is written without a name and named when whole), Retry writes it again from the
// start, and nothing but the file is left in its folder.
TEST_F(RunUndoTest, ANewFileWhoseWriteFailsIsAskedAboutAndWrittenWholeOnRetry) {
  PrepareGame();
  auto run = std::make_unique<TSetupRun>(At("C:\\Games\\Demo\\"), "Demo_", std::unordered_set<std::string>{});
  run->Begin();
  SetActiveRun(std::move(run));
  std::vector<std::string> questions;
  platform::SetMessageBoxHandler([&](const std::u16string& text, const std::u16string&,
                                     platform::MessageButtons, platform::MessageIcon) {
    questions.push_back(platform::WideToUtf8(text));
    return platform::MessageResult::Retry;
  });
  const std::string path = At("C:\\Games\\Demo\\new.txt");
  int fills = 0;
  WriteFileOfRunFrom(path, [&](platform::File& file) {
    if (++fills == 1) {
      errno = ENOSPC;
      return file.WriteAll("par", 3) && false;
    }
    return file.WriteAll("whole", 5);
  });
  platform::SetMessageBoxHandler(nullptr);
  EXPECT_EQ(fills, 2);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find(path), std::string::npos) << questions[0];
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\new.txt"), "whole");
  std::set<std::string> inFolder;
  for (const auto& entry : fs::directory_iterator(Host("C:\\Games\\Demo\\")))
    inFolder.insert(entry.path().filename().string());
  EXPECT_EQ(inFolder, (std::set<std::string>{"Demo_run.journal", "game.dat", "new.txt"}));
  TakeActiveRun()->Finish();
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Demo_run.journal"));
}

// The journal of a run that has been taken back whole cannot be deleted (a program
// holds it): it is emptied instead, so that a later start does not take the run back
// a second time over files the player has put there since.
TEST_F(RunUndoTest, AJournalThatCannotBeDeletedAfterAWholeUndoIsEmptiedAndUndoesNothingMore) {
  PrepareGame();
  {
    auto run =
        std::make_unique<TSetupRun>(At("C:\\Games\\Demo\\"), "Demo_", std::unordered_set<std::string>{});
    run->Begin();
    SetActiveRun(std::move(run));
    WriteBytesOfRun(At("C:\\Games\\Demo\\new.txt"), reinterpret_cast<const uint8_t*>("n"), 1);
    TakeActiveRun().reset();  // killed
  }
  const std::string journal = At("C:\\Games\\Demo\\Demo_run.journal");
  platform::HoldFileInUse(journal);
  const TRunRecoveryResult first = RecoverInterruptedRun(At("C:\\Games\\Demo"), "Demo_");
  EXPECT_TRUE(first.undo.Complete()) << UndoProblemsText(first.undo);
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\new.txt"));
  EXPECT_TRUE(ReadRunJournal(journal).empty());
  platform::ReleaseFileInUse();
  HostWrite("C:\\Games\\Demo\\new.txt", "the player's own");
  RecoverInterruptedRun(At("C:\\Games\\Demo"), "Demo_");
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\new.txt"), "the player's own");
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Demo_run.journal"));
}

// A run killed after it made a file, replaced the game's file and updated a game
// package; each obstacle keeps one of them from being taken back. The next start says
// which and why and keeps the journal; once the obstacle is gone, the start after it
// takes back the rest, passing over what the first one already took back.
TEST_F(RunUndoTest, AnUndoThatMeetsAnObstacleKeepsTheJournalUntilTheNextStartCompletesIt) {
  // Each case runs on a machine of its own, so the paths are found after Fresh().
  std::string made, replaced, package;
  const struct {
    const char* what;
    std::function<void()> block, clear;
    std::function<std::string()> named;  // the file the problem names
    std::string reason;                  // the system's words for it
  } obstacles[] = {
      {"a game holds the file the run made", [&] { platform::HoldFileInUse(made); },
       [] { platform::ReleaseFileInUse(); }, [&] { return "\"" + made + "\" could not be deleted"; },
       FileInUseReason()},
      {"a folder took the replaced file's place",
       [&] {
         fs::remove(Host(replaced));
         fs::create_directories(Host(replaced) / "saves");
       },
       [&] { fs::remove_all(Host(replaced)); }, [&] { return "\"" + replaced + "\" could not be put back"; },
       FolderInTheWayReason()},
      {"the updated package is read-only", [&] { ASSERT_TRUE(platform::SetReadOnly(package, true)); },
       [&] { ASSERT_TRUE(platform::SetReadOnly(package, false)); },
       [&] { return "Cannot restore " + package; }, AccessDeniedReason()},
  };
  for (const auto& obstacle : obstacles) {
    SCOPED_TRACE(obstacle.what);
    Fresh();
    made = At("C:\\Games\\Demo\\new\\new.txt");
    replaced = At("C:\\Games\\Demo\\game.dat");
    package = At("C:\\Games\\Demo\\data.ztp");
    PrepareGame();
    ASSERT_TRUE(CreateEmptyPackage(package));
    const std::string packageBefore = HostRead(package);
    {
      auto run =
          std::make_unique<TSetupRun>(At("C:\\Games\\Demo\\"), "Demo_", std::unordered_set<std::string>{});
      run->Begin();
      SetActiveRun(std::move(run));
      BeginGameDataOfRun();
      WriteBytesOfRun(made, reinterpret_cast<const uint8_t*>("n"), 1);
      WriteBytesOfRun(replaced, reinterpret_cast<const uint8_t*>("replaced"), 8);
      TMemoryGroupEntries group;
      group.Add("a.txt", std::vector<uint8_t>(3000, 'a'));
      PakSystem().UpdatePackageAt(package, "data.ztp", "", group);
      // Killed: the run journal and the package's rollback journal stay on the disk.
      TakeActiveRun().reset();
      EndGameDataOfRun();
    }
    ASSERT_NE(HostRead(package), packageBefore);
    obstacle.block();

    InstallGameDataRunHooks();
    const TRunRecoveryResult first = RecoverInterruptedRun(At("C:\\Games\\Demo"), "Demo_");
    EXPECT_EQ(first.done, TRunRecovery::Undone);
    EXPECT_TRUE(first.undo.journalKept);
    ASSERT_EQ(first.undo.problems.size(), 1u);
    EXPECT_NE(first.undo.problems[0].find(obstacle.named()), std::string::npos) << first.undo.problems[0];
    EXPECT_NE(first.undo.problems[0].find(obstacle.reason), std::string::npos) << first.undo.problems[0];
    EXPECT_TRUE(HostFileExists("C:\\Games\\Demo\\Demo_run.journal"));
    const std::string told = InterruptedRunNotUndone(At("C:\\Games\\Demo\\"), first.undo);
    EXPECT_EQ(told, "An interrupted installation in \"" + At("C:\\Games\\Demo") +
                        "\" could not be undone completely:\r" + first.undo.problems[0] +
                        "\rThe next start of the setup or its uninstaller tries again.");

    obstacle.clear();
    const TRunRecoveryResult second = RecoverInterruptedRun(At("C:\\Games\\Demo"), "Demo_");
    EXPECT_EQ(second.done, TRunRecovery::Undone);
    EXPECT_TRUE(second.undo.Complete()) << UndoProblemsText(second.undo);
    EXPECT_FALSE(second.undo.journalKept);
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Demo_run.journal"));
    EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\new"));
    EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\Demo_backup"));
    EXPECT_EQ(HostRead(replaced), "original game data");
    EXPECT_EQ(HostRead(package), packageBefore);
    EXPECT_FALSE(HostFileExists(package + "-journal"));
    EXPECT_EQ(RecoverInterruptedRun(At("C:\\Games\\Demo"), "Demo_").done, TRunRecovery::None);
  }
}

// A run stopped by the user whose undo cannot delete a file it wrote: the stop says so
// instead of calling the game untouched, and the journal stays. The next run does not
// begin over it while the file is held; once it is free, the next run takes the earlier
// one back first and then installs.
TEST_F(RunUndoTest, AStoppedRunThatCannotBeUndoneSaysWhatItLeftAndTheNextRunUndoesItFirst) {
  PrepareGame();
  Pack(kScript);
  platform::HoldFileInUse(At("C:\\Games\\Demo\\a.txt"));
  ASSERT_TRUE(platform::SetReadOnly(At("C:\\Games\\Demo\\game.dat"), true));
  Run();
  ASSERT_FALSE(asked_.empty());
  const std::string problem =
      "\"" + At("C:\\Games\\Demo\\a.txt") + "\" could not be deleted: " + FileInUseReason();
  const std::string stopped = asked_.back().text;
  EXPECT_NE(stopped.find("The installation was stopped: "), std::string::npos) << stopped;
  EXPECT_NE(stopped.find("Not everything it had done could be undone:\r" + problem), std::string::npos)
      << stopped;
  EXPECT_NE(stopped.find("tries again"), std::string::npos) << stopped;
  EXPECT_EQ(stopped.find("the game was left as it was"), std::string::npos) << stopped;
  EXPECT_TRUE(AbortRequested);
  EXPECT_TRUE(HostFileExists("C:\\Games\\Demo\\a.txt"));
  EXPECT_TRUE(HostFileExists("C:\\Games\\Demo\\Demo_run.journal"));
  EXPECT_EQ(RegValue(platform::RegistryRoot::CurrentUser, "Software\\Game", "Language"), "old");

  ASSERT_TRUE(platform::SetReadOnly(At("C:\\Games\\Demo\\game.dat"), false));
  for (const bool held : {true, false}) {
    SCOPED_TRACE(held ? "a.txt still held" : "a.txt let go");
    if (!held) platform::ReleaseFileInUse();
    asked_.clear();
    AbortRequested = false;
    UninstallList().Clear();
    Run();
    EXPECT_EQ(AbortRequested.load(), held);
    EXPECT_EQ(HostFileExists("C:\\Games\\Demo\\Demo_run.journal"), held);
    if (held) {
      ASSERT_EQ(asked_.size(), 1u);
      EXPECT_NE(asked_[0].text.find("The installation did not begin.\rAn interrupted installation in \"" +
                                    At("C:\\Games\\Demo") + "\" could not be undone completely:\r" + problem),
                std::string::npos)
          << asked_[0].text;
      EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\z.txt"));
      EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "original game data");
    } else {
      EXPECT_TRUE(asked_.empty());
      EXPECT_EQ(HostRead("C:\\Games\\Demo\\a.txt"), "new a");
      EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "new game data");
      EXPECT_EQ(HostRead("C:\\Games\\Demo\\Demo_backup\\INSTDIRgame.dat"), "original game data");
    }
  }
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
