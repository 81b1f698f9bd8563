// The setup thread as the wizard drives it: the walk over the compiled lines, its
// jumps and its end, the abort that still leaves a log and an uninstaller, and an
// error that ends the program through the error report.
#include <gtest/gtest.h>

#include <algorithm>

#include "SetupRunFixture.h"
#include "engine/SE_Uninstall_List.h"
#include "platform/Files.h"
#include "script/SE_Global.h"
#include "script/ZTI_CompLines.h"

namespace engine_test {
namespace {

using Lines = std::vector<std::string>;

constexpr const char* kUninstallerLines =
    "name \"Demo Add-on\"\n"
    "shortname Demo\n"
    "prefix Demo\n"
    "uninstallpages uninstall\n";

class SetupThreadTest : public SetupRun {
 protected:
  void SetUp() override {
    SetupRun::SetUp();
    WriteSource("program.bin", "a small program");
    settings_.programPath = platform::WindowsPathOf((work_->Path() / "program.bin").string());
  }
};

TEST_F(SetupThreadTest, AScriptWithNothingToRunStillCreatesTheDirectoryLogAndUninstaller) {
  Pack(kUninstallerLines);
  Run();
  EXPECT_TRUE(HostDirExists("C:\\Games\\Demo"));
  // The window's record comes first, then what the end of the run created.
  EXPECT_EQ(
      InstallLog("C:\\Games\\Demo\\", "Demo_"),
      (Lines{"D " + At("C:\\Games\\Demo\\"), "D " + At("C:\\Games\\"), "D " + At("C:\\Games\\Demo\\")}));
  EXPECT_TRUE(HostFileExists("C:\\Games\\Demo\\Demo_Uninstall.exe"));
  EXPECT_TRUE(reported_.empty());
  EXPECT_FALSE(threadFailed_);
}

TEST_F(SetupThreadTest, WithoutUninstallPagesNoLogAndNoUninstallerAreWritten) {
  Pack("name Demo\nprefix Demo\ncreatedirectory $INSTDIR\\only\n");
  Run();
  EXPECT_TRUE(HostDirExists("C:\\Games\\Demo\\only"));
  EXPECT_FALSE(InstallLog("C:\\Games\\Demo\\", "Demo_"));
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Demo_Uninstall.exe"));
}

TEST_F(SetupThreadTest, JumpsToTheLastLineEndTheWalk) {
  const struct {
    const char* jump;
    const char* last;
  } cases[] = {
      {"goto end", "end:"},                          // a label as the last line
      {"goto 3", "createdirectory $INSTDIR\\last"},  // its index: continue after it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.jump);
    Fresh();
    Pack(std::string("createdirectory $INSTDIR\\first\n") + c.jump + "\ncreatedirectory $INSTDIR\\skipped\n" +
         c.last + "\n");
    Run();
    EXPECT_TRUE(HostDirExists("C:\\Games\\Demo\\first"));
    EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\skipped"));
    EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\last"));
    EXPECT_EQ(CurrentLine, 4);
  }
}

TEST_F(SetupThreadTest, FailureStopsTheWalkAndStillSavesTheLogAndTheUninstaller) {
  Pack(std::string(kUninstallerLines) +
       "createdirectory $INSTDIR\\before\n"
       "failure\n"
       "createdirectory $INSTDIR\\after\n");
  Run();
  EXPECT_TRUE(HostDirExists("C:\\Games\\Demo\\before"));
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\after"));
  EXPECT_TRUE(AbortRequested);
  EXPECT_EQ(sink_->events, (Lines{"finish! The installation failed."}));
  EXPECT_EQ(InstallLog("C:\\Games\\Demo\\", "Demo_"),
            (Lines{"D " + At("C:\\Games\\Demo\\"), "D " + At("C:\\Games\\"), "D " + At("C:\\Games\\Demo\\"),
                   "D " + At("C:\\Games\\Demo\\before"), "D " + At("C:\\Games\\Demo\\before")}));
  EXPECT_TRUE(HostFileExists("C:\\Games\\Demo\\Demo_Uninstall.exe"));
  EXPECT_TRUE(reported_.empty());
}

TEST_F(SetupThreadTest, FailureFirstLeavesOnlyTheDirectoriesOfTheInstallation) {
  Pack(std::string(kUninstallerLines) + "failure\ncreatedirectory $INSTDIR\\after\n", "C:\\Games\\Demo\\");
  Run();
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\after"));
  EXPECT_EQ(
      InstallLog("C:\\Games\\Demo\\", "Demo_"),
      (Lines{"D " + At("C:\\Games\\Demo\\"), "D " + At("C:\\Games\\"), "D " + At("C:\\Games\\Demo\\")}));
}

// An exception ends the run at once: the error report gets its text with the stage
// "Setup Thread", the program ends with status 4, and neither log nor uninstaller is
// written.
TEST_F(SetupThreadTest, AnErrorGoesToTheReportAndEndsTheProgram) {
  const struct {
    const char* line;
    const char* damage;  // a stored parameter to spoil after packing, or null
    const char* textHas;
  } cases[] = {
      {"message \"<LANGx>\"", nullptr, "LANG"},
      {"file data.txt", "not-a-group", "not-a-group"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Fresh();
    WriteSource("data.txt", "data");
    Pack(std::string(kUninstallerLines) + "createdirectory $INSTDIR\\before\n" + c.line +
         "\ncreatedirectory $INSTDIR\\after\n");
    if (c.damage) CompLines().Lines[5].Params.back() = c.damage;
    Run();
    ASSERT_EQ(reported_.size(), 1u);
    EXPECT_NE(reported_[0].first.find(c.textHas), std::string::npos) << reported_[0].first;
    EXPECT_EQ(reported_[0].second, "Setup Thread");
    EXPECT_EQ(endedWith_, (std::vector<int>{4}));
    EXPECT_TRUE(threadFailed_);
    // The program ends, and what the run did so far is undone first.
    EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\before"));
    EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\after"));
    EXPECT_FALSE(platform::FileExists(JournalOf("Demo_")));
    EXPECT_FALSE(InstallLog("C:\\Games\\Demo\\", "Demo_"));
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Demo_Uninstall.exe"));
  }
}

// The loop runs its lines twice; files and registry entries are recorded once,
// directories each time they are created.
TEST_F(SetupThreadTest, ALineRunTwiceThroughAJumpIsRecordedOnce) {
  WriteSource("data.txt", "data");
  Pack(std::string(kUninstallerLines) +
       "again:\n"                                          // 4
       "writeregstr HKCU Software\\Demo Path $INSTDIR\n"   // 5
       "file data.txt\n"                                   // 6
       "iffileexists $INSTDIR\\copy.txt done 0\n"          // 7
       "copyfile $INSTDIR\\data.txt $INSTDIR\\copy.txt\n"  // 8
       "goto again\n"                                      // 9
       "done:\n");                                         // 10
  Run();
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\copy.txt"), "data");
  EXPECT_EQ(InstallLog("C:\\Games\\Demo\\", "Demo_"),
            (Lines{"F $INSTDIRdata.txt", "F $INSTDIRcopy.txt",
                   "R \"HKCU\" \"Software\\Demo\" \"Path\" \"$INSTDIR\"", "D " + At("C:\\Games\\Demo\\"),
                   "D " + At("C:\\Games\\"), "D " + At("C:\\Games\\Demo")}));
  // Two extractions of one entry: two steps of the gauge.
  EXPECT_EQ(std::count(sink_->events.begin(), sink_->events.end(), "gauge 2"), 1);
}

TEST_F(SetupThreadTest, AnIdleThreadQuitsWithoutRunningAnything) {
  Pack("createdirectory $INSTDIR\\never\n");
  {
    TSetupThread thread(settings_);
    thread.RequestQuit();
    thread.WaitFor();
    EXPECT_FALSE(thread.Running);
  }
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo"));
}

}  // namespace
}  // namespace engine_test
