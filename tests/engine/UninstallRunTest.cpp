// The uninstallation is a journalled run: an uninstaller killed at any point and
// started again finishes the job, every original back and every add-on file gone,
// without taking a step twice (an original it had put back is never deleted).
#include <gtest/gtest.h>

#include "SetupRunFixture.h"
#include "engine/SE_Uninstall_List.h"
#include "engine/SE_UninstallRun.h"
#include "platform/Files.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_RunChanges.h"
#include "script/SE_TrustedState.h"
#include "script/ZTI_CompLines.h"

namespace engine_test {
namespace {

constexpr int kReplaced = 5, kNew = 5;

class UninstallRunTest : public SetupRun {
 protected:
  // The add-on replaces g0.dat ... g4.dat of the game's and adds n0.txt ... n4.txt.
  void Install() {
    for (int i = 0; i < kReplaced; ++i) {
      WriteSource("files/g" + std::to_string(i) + ".dat", "the add-on's g" + std::to_string(i));
      HostWrite("C:\\Games\\Demo\\g" + std::to_string(i) + ".dat", "the game's g" + std::to_string(i));
    }
    for (int i = 0; i < kNew; ++i) WriteSource("files/n" + std::to_string(i) + ".txt", "new");
    Pack("name Demo\nshortname Demo\nprefix Demo\nuninstallpages uninstall\nfile files\\\n");
    Run();
    ASSERT_FALSE(AbortRequested);
    ASSERT_TRUE(log_.Load(At("C:\\Games\\Demo"), "Demo_"));
    ASSERT_EQ(log_.Files().size(), size_t(kReplaced + kNew));
  }
  // The file steps of one uninstaller start; killed after `upTo` items, or run to its end.
  void Uninstall(size_t upTo, bool expectResumed) {
    TUninstallRun run(At("C:\\Games\\Demo"), "Demo_", log_.Lists());
    ASSERT_TRUE(run.Begin());
    EXPECT_EQ(run.Resumed(), expectResumed);
    for (size_t i = 0; i < std::min(upTo, log_.Files().size()); ++i) ASSERT_TRUE(run.TakeFile(i));
    if (upTo < log_.Files().size()) return;  // killed: the journal stays as it is
    RemoveTree(BackupsOf("Demo_"));
    ASSERT_TRUE(run.MarkEnd());
    platform::DeleteFileAt(TUninstallList::LogPath(At("C:\\Games\\Demo"), "Demo_"));
    run.Finish();
    DiscardUninstallJournal(At("C:\\Games\\Demo"), "Demo_");
  }
  TUninstallList log_;
};

TEST_F(UninstallRunTest, AnUninstallerKilledAtAnyPointFinishesTheJobWhenStartedAgain) {
  for (const size_t killedAfter :
       {size_t(0), size_t(1), size_t(3), size_t(5), size_t(7), size_t(9), size_t(10)}) {
    SCOPED_TRACE("killed after " + std::to_string(killedAfter) + " items");
    Fresh();
    Install();
    if (HasFatalFailure()) return;
    Uninstall(killedAfter, false);
    if (killedAfter < log_.Files().size()) Uninstall(log_.Files().size(), true);
    for (int i = 0; i < kReplaced; ++i)
      EXPECT_EQ(HostRead("C:\\Games\\Demo\\g" + std::to_string(i) + ".dat"),
                "the game's g" + std::to_string(i));
    for (int i = 0; i < kNew; ++i)
      EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\n" + std::to_string(i) + ".txt"));
    EXPECT_FALSE(platform::FileExists(UninstallJournalPath(At("C:\\Games\\Demo"), "Demo_")));
    EXPECT_FALSE(platform::DirectoryExists(BackupsOf("Demo_")));
  }
}

// A journal left by an uninstallation of an earlier install log (the add-on was
// installed again since) is not taken up: the new log is worked through whole.
TEST_F(UninstallRunTest, AJournalOfAnotherInstallLogIsNotTakenUp) {
  Install();
  Uninstall(6, false);
  TInstallLogLists other = log_.Lists();
  other.Files.pop_back();  // not the log the journal was made for
  TUninstallRun run(At("C:\\Games\\Demo"), "Demo_", other);
  ASSERT_TRUE(run.Begin());
  EXPECT_FALSE(run.Resumed());
}

}  // namespace
}  // namespace engine_test
