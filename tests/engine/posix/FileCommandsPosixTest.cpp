// The file commands where they meet what only the Linux half has: CD-ROM drives made
// as the prefix's dosdevices links, shell scripts run by `execute`, drive C: that is
// the prefix's own drive_c (so that a faulty rmdir of a root would only empty the
// test's prefix), and the key a file condition creates landing in the prefix's
// registry file.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "engine/SetupRunFixture.h"
#include "platform/Registry.h"
#include "script/SE_Global.h"
#include "script/ZTI_CommandsFile.h"
#include "script/ZTI_CompLines.h"

namespace engine_test {
namespace {

using Lines = std::vector<std::string>;
using platform::RegistryRoot;

class FileCommandsPosixTest : public SetupRun {
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

TEST_F(FileCommandsPosixTest, AConditionOnAMissingKeyStoresTheKeyInTheUsersRegistryFile) {
  WriteSource("cond.txt", "conditional");
  Pack("file cond.txt case-1 hkcu Software\\NoSuchKey Flag \"\" F\n");
  Run();
  EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\case-1\\cond.txt"));
  EXPECT_NE(RegistryFile("user.reg").find("[Software\\\\NoSuchKey]"), std::string::npos);
}

TEST_F(FileCommandsPosixTest, CopyFileTakesTheFirstCdDriveThatHoldsTheFile) {
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

TEST_F(FileCommandsPosixTest, ResolveCdDriveSearchesEveryCdDriveInOrder) {
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

// rmdir removes the whole tree whatever its flag, but never a drive: an empty path (a
// variable with no value) or a root, however it is written, removes nothing.
TEST_F(FileCommandsPosixTest, RmdirRemovesATreeButNeverADrive) {
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

// The helper writes its marker only after a pause and then ends; the line after
// `execute` sees the marker only if the setup thread waited for the program's end.
TEST_F(FileCommandsPosixTest, ExecuteWaitsForTheProgramToEnd) {
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
TEST_F(FileCommandsPosixTest, ExecuteStopsWaitingOnAbortOrWhenTheProgramEnds) {
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
