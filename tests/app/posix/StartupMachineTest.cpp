// The setup program from its start where it needs the test machine's registry and
// drives: only a Wine-style prefix (WINEPREFIX) can give them to a program of its own;
// on Windows the test machine is the test process's own registry view and folder.
#include "app/StartupFixture.h"

namespace {

using namespace startup_test;

TEST_F(Startup, TheInstallationDirectoryComesFromTheRegistryOrTheSetupItself) {
  Package package;
  package.info.InstallDirRegKey = {1, "Software\\Test Game", "Path"};
  package.info.InstallDir = "$PROGRAMFILES\\Test Game";
  package.lines.Lines = {Line("createdirectory", {"$INSTDIR\\Saves"}, 0)};

  // No value: the setup's own directory, with its variable; the drive is measured
  // after expanding it, so the ready page lets the installation go on.
  ProgramResult run = RunWith(package);
  EXPECT_EQ(run.status, 0) << run.err << run.out;
  EXPECT_TRUE(fs::is_directory(prefix_.DriveC() / "Program Files" / "Test Game" / "Saves"));

  // An empty value keeps the setup's own directory too.
  auto key = platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, "Software\\Test Game", true);
  ASSERT_TRUE(key->WriteString("Path", ""));
  fs::remove_all(prefix_.DriveC() / "Program Files" / "Test Game");
  run = RunWith(package);
  EXPECT_TRUE(fs::is_directory(prefix_.DriveC() / "Program Files" / "Test Game" / "Saves"));

  ASSERT_TRUE(key->WriteString("Path", "C:\\Games\\Found"));
  run = RunWith(package);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_directory(prefix_.DriveC() / "Games" / "Found" / "Saves"));

  // --dir wins over both.
  run = RunWith(package, {"--dir", "C:\\Chosen"});
  EXPECT_TRUE(fs::is_directory(prefix_.DriveC() / "Chosen" / "Saves"));

  // With neither a directory of its own nor a registry value the setup stops, unless
  // the command line chose one.
  package.info.InstallDir.clear();
  ASSERT_TRUE(key->DeleteValue("Path"));
  run = RunWith(package);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Error: Error: Registry Key Not Found. Please Install Software\n");
  run = RunWith(package, {"--dir", "C:\\Given"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_directory(prefix_.DriveC() / "Given" / "Saves"));
}

TEST_F(Startup, ADriveWithoutSpaceOrUnfitForTheInstallationEndsWith1) {
  ProgramResult run;
  // Not enough space: a file group on a drive that has none (drive Q: of the prefix
  // leads to the host's /proc, whose file system has no free block).
  fs::create_directory_symlink("/proc", prefix_.Root() / "dosdevices" / "q:");
  Package big;
  big.extra.push_back(StoredEntry("big.dat", std::string(2048, 'x'), 1));
  big.lines.Lines = {Line("file", {"big.dat", "1"}, 0)};
  run = RunWith(big, {"--dir", "Q:\\Games"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.err, "Not enough free space in Q:\\Games\\: 2.00 KB required, 0.00 Bytes available\n");
  fs::remove(prefix_.Root() / "dosdevices" / "q:");

  // The directory page refuses a drive that cannot take the installation.
  Package withDirectoryPage;
  withDirectoryPage.pages = "full";
  run = RunWith(withDirectoryPage, {"--dir", "Q:\\Games"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.err, "Cannot install into Q:\\Games: its drive is missing, a CD-ROM or a RAM disk\n");
  EXPECT_NE(run.out.find("page\t2\tinstalldir\n"), std::string::npos) << run.out;
}

}  // namespace
