// Failed runs are undone and replaced game files come back: a write that fails (a
// read-only target, a write failing in the middle of a group) asks Retry/Cancel, and
// Cancel takes back everything the run did, newest first; a run journal left by a
// killed run is undone by the next start; originals kept by a run are put back by
// the uninstaller's restore.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine/SE_Uninstall_Items.h"
#include "platform/FaultInjection.h"
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
    EXPECT_EQ(std::distance(fs::directory_iterator(Host("C:\\Games\\Demo\\")),
                            fs::directory_iterator()), 1);
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
    platform::ArmWriteFault(write, full ? platform::WriteFault::DiskFull
                                        : platform::WriteFault::IoError);
    Run();
    platform::DisarmWriteFault();
    if (!platform::WriteFaultFired()) {
      // The run has fewer writes than this: it must have finished, untouched by faults.
      completed = true;
      EXPECT_FALSE(AbortRequested);
      EXPECT_TRUE(asked_.empty());
      EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "new game data");
      EXPECT_EQ(HostRead("C:\\Games\\Demo\\Demo_backup\\INSTDIRgame.dat"),
                "original game data");
      break;
    }
    // A file's write asks Retry/Cancel (answered Cancel); the journal's own stops the
    // run at once. Either way the reason is the system's.
    ASSERT_FALSE(asked_.empty());
    EXPECT_EQ(asked_[0].caption, "Error");
    EXPECT_NE(asked_[0].text.find(full ? "No space left" : "Input/output error"),
              std::string::npos) << asked_[0].text;
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
    auto run = std::make_unique<TSetupRun>("C:\\Games\\Demo\\", "Demo_",
                                           std::unordered_set<std::string>{});
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

// Disabled: the first add-on's kept original is not found after the second run; under investigation.
TEST_F(RunUndoTest, DISABLED_TwoAddOnsReplacingOneFileUninstalledInReverseOrderGiveTheGameItsFile) {
  PrepareGame();
  Pack(kScript);
  Run();
  ASSERT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "new game data");
  // A second add-on with its own prefix replaces the same file.
  WriteSource("files/game.dat", "second add-on data");
  Pack("name Two\nshortname Two\nprefix Two\nuninstallpages uninstall\nfile files\\\n");
  Run();
  ASSERT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "second add-on data");
  ASSERT_TRUE(HostFileExists("C:\\Games\\Demo\\Two_backup\\INSTDIR\\game.dat"));
  ASSERT_TRUE(HostFileExists("C:\\Games\\Demo\\Demo_backup\\INSTDIR\\game.dat"));
  EXPECT_TRUE(RestoreOrRemoveRecordedFile("$INSTDIR\\game.dat",
                                          BackupFolder("C:\\Games\\Demo", "Two_")));
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "new game data");
  EXPECT_TRUE(RestoreOrRemoveRecordedFile("$INSTDIR\\game.dat",
                                          BackupFolder("C:\\Games\\Demo", "Demo_")));
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "original game data");
  // A file the add-on created itself is only deleted.
  EXPECT_TRUE(RestoreOrRemoveRecordedFile("$INSTDIR\\a.txt",
                                          BackupFolder("C:\\Games\\Demo", "Demo_")));
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\a.txt"));
}

}  // namespace
}  // namespace engine_test
