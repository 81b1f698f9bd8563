// The file commands on the setup thread in a temporary prefix: what lands on disk,
// what the install log records (with the installation directory folded back into
// "$INSTDIR"), the registry condition of `file`, the CD-ROM search, the refusal to
// remove a drive, and `execute` really waiting for its program.
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

class FileCommandsTest : public SetupRun {
 protected:
  // CD-ROM drives D:, E:, ... whose folders hold the given files (host paths below
  // each drive's folder; empty: the drive holds nothing).
  void AddCdDrives(const std::vector<std::vector<std::pair<std::string, std::string>>>& drives) {
    auto key = platform::RegistryKey::Open(RegistryRoot::LocalMachine, "Software\\Wine\\Drives", true);
    for (size_t i = 0; i < drives.size(); ++i) {
      const std::string letter(1, static_cast<char>('d' + i));
      const fs::path folder = prefix_->Root() / "mnt" / ("cd" + letter);
      fs::create_directories(folder);
      for (const auto& [path, content] : drives[i]) {
        fs::create_directories((folder / path).parent_path());
        std::ofstream(folder / path, std::ios::binary) << content;
      }
      fs::create_symlink(folder, prefix_->Root() / "dosdevices" / (letter + ":"));
      ASSERT_TRUE(key->WriteString(letter + ":", "cdrom"));
    }
  }
};

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
  EXPECT_EQ(
      InstallLog("C:\\Games\\Demo\\", "Demo_"),
      (Lines{"F $INSTDIRone.txt", "F $INSTDIRsub\\deeper\\two.txt", "F $INSTDIRthree.txt",
             "F $INSTDIRpack\\a.txt", "F $INSTDIRpack\\nested\\b.txt", "D C:\\Games\\Demo\\", "D C:\\Games\\",
             "D C:\\Games\\Demo", "D C:\\Games\\Demo\\sub\\", "D C:\\Games\\Demo\\sub\\deeper",
             "D C:\\Games\\Demo\\pack", "D C:\\Games\\Demo\\pack\\nested"}));
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
  EXPECT_NE(RegistryFile("user.reg").find("[Software\\\\NoSuchKey]"), std::string::npos);
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

TEST_F(FileCommandsTest, CopyFileTakesTheFirstCdDriveThatHoldsTheFile) {
  AddCdDrives({{}, {{"data/x.dat", "from E"}}, {{"data/x.dat", "from F"}}});
  HostWrite("C:\\old.txt", "old");
  Pack(
      "name Demo\nprefix Demo\nuninstallpages uninstall\n"
      "copyfile $CDDRIVE\\data\\x.dat $INSTDIR\\data\\x.dat\n"
      "copyfile $cddrive\\data\\missing.dat $INSTDIR\\missing.dat\n"
      "copyfile C:\\old.txt $INSTDIR\\old.txt\n"
      "iffileexists $CDDRIVE\\data\\x.dat found 0\n"
      "goto end\n"
      "found:\n"
      "createdirectory $INSTDIR\\found\n"
      "end:\n");
  Run();
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\data\\x.dat"), "from E");
  EXPECT_EQ(HostRead("C:\\Games\\Demo\\old.txt"), "old");
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\missing.dat"));
  EXPECT_TRUE(HostDirExists("C:\\Games\\Demo\\found"));
  EXPECT_EQ(sink_->events, (Lines{"status Copying File x.dat", "status Copying File missing.dat",
                                  "status Copying File old.txt"}));
  // A failed copy is recorded too: the uninstaller skips what is not there.
  EXPECT_EQ(InstallLog("C:\\Games\\Demo\\", "Demo_"),
            (Lines{"F $INSTDIRdata\\x.dat", "F $INSTDIRmissing.dat", "F $INSTDIRold.txt",
                   "D C:\\Games\\Demo\\", "D C:\\Games\\", "D C:\\Games\\Demo\\", "D C:\\Games\\Demo\\data",
                   "D C:\\Games\\Demo\\found", "D C:\\Games\\Demo\\found"}));
}

// A game file that copyfile did not replace (no source, or the file itself as its
// source) stays out of the install log: the uninstaller would delete it.
TEST_F(FileCommandsTest, CopyFileRecordsNoGameFileItLeftAsItWas) {
  HostWrite("C:\\Games\\Demo\\game.cfg", "the game's");
  HostWrite("C:\\Games\\Demo\\self.dat", "itself");
  Pack(
      "name Demo\nprefix Demo\nuninstallpages uninstall\n"
      "copyfile C:\\nowhere.cfg $INSTDIR\\game.cfg\n"
      "copyfile $INSTDIR\\self.dat $INSTDIR\\self.dat\n"
      "copyfile C:\\nowhere.cfg $INSTDIR\\new.cfg\n"
      "copyfile $INSTDIR\\self.dat $INSTDIR\\copy.dat\n"
      "copyfile C:\\nowhere.cfg $INSTDIR\\copy.dat\n");
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

TEST_F(FileCommandsTest, ResolveCdDriveSearchesEveryCdDriveInOrder) {
  // More CD-ROM drives than a 128-character drive list would hold with long roots;
  // only the last one has the file.
  std::vector<std::vector<std::pair<std::string, std::string>>> drives(20);
  drives.back() = {{"disc/setup.dat", "x"}};
  drives[3] = {{"other.dat", "x"}};
  AddCdDrives(drives);
  const struct {
    const char* path;
    const char* resolved;
  } cases[] = {
      {"$CDDRIVE\\disc\\setup.dat", "W:\\\\disc\\setup.dat"},
      {"$CdDrive\\disc\\setup.dat", "W:\\\\disc\\setup.dat"},
      {"$CDDRIVEother.dat", "G:\\other.dat"},
      {"$CDDRIVE\\nowhere.dat", "$CDDRIVE\\nowhere.dat"},
      {"C:\\plain.txt", "C:\\plain.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveCdDrive(c.path), c.resolved) << c.path;
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
  EXPECT_EQ(CompLines().Lines[0].Params, (Lines{"C:\\Games\\Demo\\a.txt", "C:\\Games\\Demo\\b.txt"}));
  EXPECT_EQ(CompLines().Lines[1].Params, (Lines{"C:\\Games\\Demo\\gone.txt"}));
}

// rmdir removes the whole tree whatever its flag, but never a drive: an empty path (a
// variable with no value) or a root, however it is written, removes nothing.
TEST_F(FileCommandsTest, RmdirRemovesATreeButNeverADrive) {
  HostWrite("C:\\Games\\Demo\\tree0\\a.txt", "x");
  HostWrite("C:\\Games\\Demo\\tree0\\sub\\deep\\b.txt", "x");
  HostWrite("C:\\Games\\Demo\\tree1\\sub\\c.txt", "x");
  HostWrite("C:\\precious.txt", "keep me");
  Pack(
      "rmdir $INSTDIR\\tree0 0\n"
      "rmdir $INSTDIR\\tree1\\ 1\n"
      "rmdir $CDDRIVE 1\n"  // no CD-ROM drive: an empty path
      "rmdir C:\\ 1\n"
      "rmdir c: 1\n"
      "rmdir C:\\Games\\..\\ 1\n"
      "rmdir C:\\.\\ 1\n"
      "rmdir $INSTDIR\\missing 1\n");
  Run();
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\tree0"));
  EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\tree1"));
  EXPECT_EQ(HostRead("C:\\precious.txt"), "keep me");
  EXPECT_TRUE(HostDirExists("C:\\Games\\Demo"));
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
            (Lines{"D C:\\Games\\Demo\\", "D C:\\Games\\Demo\\existing", "D C:\\Games\\Demo\\new\\",
                   "D C:\\Games\\Demo\\new\\deeper\\", "D C:\\Games\\Demo\\new\\deeper\\"}));
}

// The helper writes its marker only after a pause and then ends; the line after
// `execute` sees the marker only if the setup thread waited for the program's end.
TEST_F(FileCommandsTest, ExecuteWaitsForTheProgramToEnd) {
  HostWrite("C:\\tools\\helper.sh",
            "#!/bin/sh\n"
            "exec >/dev/null 2>&1 </dev/null\n"
            "sleep 1\n"
            "printf '%s|' \"$@\" > \"$0.out\"\n");
  Pack(
      "execute C:\\tools\\helper.sh \"$INSTDIR one\"\n"
      "iffileexists C:\\tools\\helper.sh.out waited 0\n"
      "goto end\n"
      "waited:\n"
      "createdirectory $INSTDIR\\waited\n"
      "end:\n"
      "execute C:\\tools\\missing.exe\n"
      "createdirectory $INSTDIR\\after\n");
  Run();
  EXPECT_TRUE(HostDirExists("C:\\Games\\Demo\\waited"));
  EXPECT_EQ(HostRead("C:\\tools\\helper.sh.out"), "C:\\Games\\Demo\\|one|");
  EXPECT_EQ(CompLines().Lines[0].Params, (Lines{"C:\\tools\\helper.sh", "C:\\Games\\Demo\\ one"}));
  EXPECT_TRUE(HostDirExists("C:\\Games\\Demo\\after"));  // a start that fails goes on
  EXPECT_TRUE(asked_.empty());
}

// An abort, or the program ending, stops the wait; the program goes on by itself.
TEST_F(FileCommandsTest, ExecuteStopsWaitingOnAbortOrWhenTheProgramEnds) {
  for (std::atomic<bool>* flag : {&AbortRequested, &ApplicationTerminating}) {
    SCOPED_TRACE(flag == &AbortRequested ? "abort" : "terminating");
    Fresh();
    HostWrite("C:\\tools\\slow.sh",
              "#!/bin/sh\n"
              "exec >/dev/null 2>&1 </dev/null\n"
              ": > \"$0.started\"\n"
              "sleep 30\n"
              ": > \"$0.finished\"\n");
    Pack("execute C:\\tools\\slow.sh\ncreatedirectory $INSTDIR\\after\n");
    whileRunning_ = [this, flag] {
      if (fs::exists(Host("C:\\tools\\slow.sh.started"))) *flag = true;
    };
    Run();
    EXPECT_TRUE(HostFileExists("C:\\tools\\slow.sh.started"));
    EXPECT_FALSE(HostFileExists("C:\\tools\\slow.sh.finished"));
    EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\after"));
    EXPECT_TRUE(HostDirExists("C:\\Games\\Demo"));  // the end of the run still happened
  }
}

}  // namespace
}  // namespace engine_test
