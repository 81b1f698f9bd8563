// The file commands on the setup thread on a test machine: what lands on disk, what
// the install log records (with the installation directory folded back into
// "$INSTDIR") and the registry condition of `file`. What needs the Linux half (CD-ROM
// drives, shell scripts, a drive of the test's own) is in posix/.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SetupRunFixture.h"
#include "platform/Registry.h"
#include "script/ZTI_CommandsFile.h"
#include "script/ZTI_CompLines.h"

namespace engine_test {
namespace {

using Lines = std::vector<std::string>;
using platform::RegistryRoot;

class FileCommandsTest : public SetupRun {};

TEST_F(FileCommandsTest, FileExtractsItsGroupBelowTheInstallationDirectory) {
  WriteSource("one.txt", "first");
  WriteSource("two.txt", "second");
  WriteSource("three.txt", "third");
  WriteSource("folder/a.txt", "in a folder");
  WriteSource("folder/nested/b.txt", "deeper");
  Pack(
      "name Demo\nprefix Demo\nuninstallpages uninstall\n"
      "file one.txt\n"              // 2 stored parameters: the directory itself
      "file two.txt sub\\deeper\n"  // 3: a sub-directory
      "file three.txt \"\"\n"       // an empty sub-directory adds nothing
      "file folder\\ pack\\\n"      // a folder, with its sub-folders
      "file one.txt\n");            // the same file again: recorded once
  Run();
  const struct {
    const char* path;
    const char* content;
  } files[] = {
      {"C:\\Games\\Demo\\one.txt", "first"},
      {"C:\\Games\\Demo\\sub\\deeper\\two.txt", "second"},
      {"C:\\Games\\Demo\\three.txt", "third"},
      {"C:\\Games\\Demo\\pack\\a.txt", "in a folder"},
      {"C:\\Games\\Demo\\pack\\nested\\b.txt", "deeper"},
  };
  for (const auto& file : files) EXPECT_EQ(HostRead(file.path), file.content) << file.path;
  EXPECT_EQ(InstallLog("C:\\Games\\Demo\\", "Demo_"),
            (Lines{"F $INSTDIRone.txt", "F $INSTDIRsub\\deeper\\two.txt", "F $INSTDIRthree.txt",
                   "F $INSTDIRpack\\a.txt", "F $INSTDIRpack\\nested\\b.txt", "D " + At("C:\\Games\\Demo\\"),
                   "D " + At("C:\\Games\\"), "D " + At("C:\\Games\\Demo"),
                   "D " + At("C:\\Games\\Demo\\sub\\"), "D " + At("C:\\Games\\Demo\\sub\\deeper"),
                   "D " + At("C:\\Games\\Demo\\pack"), "D " + At("C:\\Games\\Demo\\pack\\nested")}));
  // Each entry: its status line, then a gauge step; each group ends with an empty name.
  const Lines firstGroup(sink_->events.begin(), sink_->events.begin() + 3);
  EXPECT_EQ(firstGroup, (Lines{"status Extracting one.txt", "gauge 1", "status Extracting "}));
  EXPECT_EQ(sink_->events.back(), "status Extracting ");
  EXPECT_EQ(std::count(sink_->events.begin(), sink_->events.end(), "gauge 6"), 1);
}

// `file SOURCE SUBDIR ROOT KEY VALUE EXPECTED FLAG`: the data read (a missing value
// reads as empty) is compared exactly with EXPECTED; flag "0", "false" or "f" asks for
// a difference, anything else for equality. The key is created when missing.
TEST_F(FileCommandsTest, FileConditionsOnARegistryValue) {
  const struct {
    const char* existing;  // the value's data before the run; null: no value
    const char* expected;
    const char* flag;
    bool extracted;
  } cases[] = {
      {nullptr, "\"\"", "F", false},  // empty equals empty, and "F" wants a difference
      {nullptr, "\"\"", "1", true},  {"yes", "yes", "true", true},
      {"Yes", "yes", "1", false},  // data compare with case
      {"no", "yes", "0", true},      {"no", "yes", "FALSE", true},
      {"yes", "yes", "f", false},
  };
  std::string script = "file cond.txt case-1 hkcu Software\\NoSuchKey Flag \"\" F\n";
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string key = "Software\\Cond" + std::to_string(i);
    if (cases[i].existing) {
      auto opened = platform::RegistryKey::Open(RegistryRoot::CurrentUser, key, true);
      ASSERT_TRUE(opened->WriteString("Flag", cases[i].existing));
    }
    script += "file cond.txt case" + std::to_string(i) + " HKCU " + key + " Flag " + cases[i].expected + " " +
              cases[i].flag + "\n";
  }
  WriteSource("cond.txt", "conditional");
  Pack(script);
  Run();
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(HostFileExists("C:\\Games\\Demo\\case" + std::to_string(i) + "\\cond.txt"), cases[i].extracted)
        << "case " << i;
  // A condition on a key that does not exist: the key is created, its value reads as
  // empty, which equals "", so "F" refuses.
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\case-1\\cond.txt"));
  EXPECT_TRUE(platform::RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\NoSuchKey", false));
}

TEST_F(FileCommandsTest, FileWithAParameterCountItCannotUseSaysSoAndGoesOn) {
  WriteSource("a.txt", "a");
  // 4 and 9 stored parameters (the group number is appended).
  Pack(
      "file a.txt sub HKCU Software\\X\n"
      "file a.txt sub HKCU Software\\X V D 1 extra\n"
      "createdirectory $INSTDIR\\after\n");
  answers_ = {platform::MessageResult::Ok, platform::MessageResult::Ok};
  Run();
  ASSERT_EQ(asked_.size(), 2u);
  for (const AskedBox& box : asked_) {
    EXPECT_EQ(box.text, "TFileCommand.SFXProcess - Param Count Invalid!!!");
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.buttons, platform::MessageButtons::Ok);
  }
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\sub\\a.txt"));
  EXPECT_TRUE(HostDirExists("C:\\Games\\Demo\\after"));
}

// A game file that copyfile did not replace (no source, or the file itself as its
// source) stays out of the install log: the uninstaller would delete it.
TEST_F(FileCommandsTest, CopyFileRecordsNoGameFileItLeftAsItWas) {
  HostWrite("C:\\Games\\Demo\\game.cfg", "the game's");
  HostWrite("C:\\Games\\Demo\\self.dat", "itself");
  const std::string nowhere = At("C:\\nowhere.cfg");
  Pack(
      "name Demo\nprefix Demo\nuninstallpages uninstall\n"
      "copyfile " +
      nowhere +
      " $INSTDIR\\game.cfg\n"
      "copyfile $INSTDIR\\self.dat $INSTDIR\\self.dat\n"
      "copyfile " +
      nowhere +
      " $INSTDIR\\new.cfg\n"
      "copyfile $INSTDIR\\self.dat $INSTDIR\\copy.dat\n"
      "copyfile " +
      nowhere + " $INSTDIR\\copy.dat\n");
  Run();
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.cfg"), "the game's");
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\self.dat"), "itself");
  const auto log = InstallLog("C:\\Games\\Demo\\", "Demo_");
  ASSERT_TRUE(log);
  Lines files;
  for (const std::string& item : *log)
    if (item.rfind("F ", 0) == 0) files.push_back(item);
  // A missing target is recorded as it always was; so is a file the run made itself.
  EXPECT_EQ(files, (Lines{"F $INSTDIRnew.cfg", "F $INSTDIRcopy.dat"}));
}

TEST_F(FileCommandsTest, RenameAndDeleteWriteTheirExpandedPathsBack) {
  HostWrite("C:\\Games\\Demo\\a.txt", "a");
  HostWrite("C:\\Games\\Demo\\gone.txt", "x");
  HostWrite("C:\\Games\\Demo\\taken.txt", "old");
  HostWrite("C:\\Games\\Demo\\keep\\inside.txt", "x");
  Pack(
      "rename $INSTDIR\\a.txt $INSTDIR\\b.txt\n"
      "delete $INSTDIR\\gone.txt\n"
      "delete $INSTDIR\\keep\n"  // a directory is not a file
      "rename $INSTDIR\\none.txt $INSTDIR\\c.txt\n"
      "rename $INSTDIR\\b.txt $INSTDIR\\taken.txt\n");  // the target exists: no rename
  Run();
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\b.txt"), "a");
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\a.txt"));
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\gone.txt"));
  EXPECT_TRUE(HostFileExists("C:\\Games\\Demo\\keep\\inside.txt"));
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\c.txt"));
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\taken.txt"), "old");
  EXPECT_EQ(CompLines().Lines[0].Params, (Lines{At("C:\\Games\\Demo\\a.txt"), At("C:\\Games\\Demo\\b.txt")}));
  EXPECT_EQ(CompLines().Lines[1].Params, (Lines{At("C:\\Games\\Demo\\gone.txt")}));
}

TEST_F(FileCommandsTest, CreateDirectoryRecordsTheNamedDirectoryEvenWhenItExists) {
  HostWrite("C:\\Games\\Demo\\existing\\x.txt", "x");
  Pack(
      "name Demo\nprefix Demo\nuninstallpages uninstall\n"
      "createdirectory $INSTDIR\\existing\n"
      "createdirectory $INSTDIR\\new\\deeper\\\n");
  Run();
  EXPECT_TRUE(HostDirExists("C:\\Games\\Demo\\new\\deeper"));
  EXPECT_EQ(InstallLog("C:\\Games\\Demo\\", "Demo_"),
            (Lines{"D " + At("C:\\Games\\Demo\\"), "D " + At("C:\\Games\\Demo\\existing"),
                   "D " + At("C:\\Games\\Demo\\new\\"), "D " + At("C:\\Games\\Demo\\new\\deeper\\"),
                   "D " + At("C:\\Games\\Demo\\new\\deeper\\")}));
}

}  // namespace
}  // namespace engine_test
