// Unattended runs and the folder they are given: a folder no drive of the machine can
// take gets the directory page's message whether the wizard has that page or not;
// the uninstall entry names the uninstaller with single separators; a file whose
// temporary names are all taken stops the run with a message instead of counting on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Registry.h"
#include "support/HostFiles.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ProgramResult;
using testing_support::ReadHostFile;
using testing_support::RunProgram;
using testing_support::RunProgramAt;
using testing_support::WriteHostFile;

class UnattendedDir : public ::testing::Test {
 protected:
  // A setup installing files\ (x.dat) with the given page set.
  fs::path Pack(const std::string& pages) {
    const fs::path folder = work_.Path() / pages;
    WriteHostFile(folder / "files" / "x.dat", "the add-on's x");
    WriteHostFile(folder / "dir.setup",
                  "name Dir\nshortname Dir\noutfile Dir.exe\nprefix Dir\n"
                  "installdir \"C:\\Games\\Dir\"\npages " +
                      pages +
                      "\nuninstallpages uninstall\nlanguage install\\english\n"
                      "uninstalllanguage uninstall\\english\nfile files\\\n");
    const fs::path setup = folder / "Dir.exe";
    const ProgramResult made = RunProgram("mksetup", {(folder / "dir.setup").string(), "-o", setup.string()});
    EXPECT_EQ(made.status, 0) << made.err;
    return setup;
  }

  testing_support::TempPrefix prefix_;
  testing_support::TempDir work_;
};

TEST_F(UnattendedDir, AFolderNoDriveCanTakeGetsTheDirectoryPagesMessage) {
  for (const char* pages : {"full", "standard"}) {  // with the directory page, and without
    const fs::path setup = Pack(pages);
    for (const std::string dir : {"Q:\\game", "\\\\?\\C:\\game", "\\\\server\\share\\game"}) {
      const ProgramResult run = RunProgramAt(setup.string(), {"--silent", "--dir", dir});
      EXPECT_EQ(run.status, 1) << pages << " " << dir << "\n" << run.err;
      EXPECT_NE(
          run.err.find("Cannot install into " + dir + ": its drive is missing, a CD-ROM or a RAM disk\n"),
          std::string::npos)
          << pages << " " << dir << "\n"
          << run.err;
      EXPECT_EQ(run.err.find("Not enough free space"), std::string::npos) << run.err;
    }
  }
  EXPECT_FALSE(fs::exists(prefix_.DriveC() / "game"));
}

TEST_F(UnattendedDir, TheUninstallEntryNamesTheUninstallerWithSingleSeparators) {
  const fs::path setup = Pack("standard");
  for (const std::string dir : {"C:\\Games\\Dir", "C:\\Games\\Dir\\"}) {
    const ProgramResult run = RunProgramAt(setup.string(), {"--silent", "--dir", dir});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto key =
        platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine,
                                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Dir", false);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadString("UninstallString").value_or(""), "C:\\Games\\Dir\\Dir_Uninstall.exe") << dir;
  }
}

// Leftover temporaries under every name tried: the write gives up with a message, the
// unattended run stops, and the game's file stays as it was.
TEST_F(UnattendedDir, AFileWhoseTemporaryNamesAreAllTakenStopsTheRun) {
  const fs::path setup = Pack("standard");
  const fs::path game = prefix_.DriveC() / "Games" / "Dir";
  WriteHostFile(game / "x.dat", "the game's x");
  WriteHostFile(game / "x.dat.~new", "left over");
  for (int n = 1; n < 100; ++n) WriteHostFile(game / ("x.dat.~new" + std::to_string(n)), "left over");
  const ProgramResult run = RunProgramAt(setup.string(), {"--silent", "--dir", "C:\\Games\\Dir"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("\"C:\\Games\\Dir\\x.dat\" could not be written: no free temporary name beside it"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(ReadHostFile(game / "x.dat"), "the game's x");
  EXPECT_FALSE(fs::exists(game / "x.dat.~new100"));
}

}  // namespace
