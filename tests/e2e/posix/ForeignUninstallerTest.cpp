// A setup file of another program (as a Windows setup is to the Linux one), opened by
// this setup: the uninstaller it leaves is that file's program with the uninstall
// package, so the machine's own tools can run it; opened by this setup in turn, the
// uninstallation removes the uninstaller file and leaves the program that read it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/HostFiles.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

constexpr char kScript[] = R"(name "Harbour Maps"
shortname "Harbour Maps"
outfile Harbour_Setup.exe
prefix Harbour
installdir "C:\Games\Harbour"
pages standard
uninstallpages uninstall
language install\english
uninstalllanguage uninstall\english
file maps\
)";

void Write(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

fs::path BinDir() {
  const char* dir = std::getenv("SE_BIN_DIR");
  return dir ? fs::path(dir) : fs::path(SE_BINARY_DIR) / "bin";
}

TEST(ForeignUninstaller, IsTheSetupFilesProgramAndGoesWhenItHasRun) {
  TestMachine machine;
  TempDir work;
  // The other program: bytes no system here would start, which the copy must keep.
  std::string program = "MZ-other-program:";
  for (int i = 0; i < 3000; ++i) program += static_cast<char>('a' + i % 26);
  Write(work.Path() / "other-setup", program);
  Write(work.Path() / "setup.txt", kScript);
  Write(work.Path() / "maps" / "harbour.map", "map");
  const fs::path setupFile = work.Path() / "Harbour_Setup.exe";
  const ProgramResult made = RunProgram(
      "mksetup", {(work.Path() / "setup.txt").string(), "-o", setupFile.string(), "--stub",
                  (work.Path() / "other-setup").string(), "--data", std::string(SE_SOURCE_DIR) + "/data"});
  ASSERT_EQ(made.status, 0) << made.err;

  const ProgramResult installed = RunProgram("setup", {setupFile.string(), "--silent"});
  ASSERT_EQ(installed.status, 0) << installed.err;
  const fs::path game = machine.DriveC() / "Games" / "Harbour";
  const fs::path uninstaller = game / "Harbour_Uninstall.exe";
  ASSERT_TRUE(fs::exists(game / "harbour.map"));
  ASSERT_TRUE(fs::exists(uninstaller));
  EXPECT_EQ(ReadHostFile(uninstaller).substr(0, program.size()), program);

  const ProgramResult removed = RunProgram("setup", {uninstaller.string(), "--silent"});
  ASSERT_EQ(removed.status, 0) << removed.err;
  EXPECT_FALSE(fs::exists(game / "harbour.map"));
  EXPECT_FALSE(fs::exists(uninstaller));
  EXPECT_FALSE(fs::exists(game));  // left empty, it goes too
  EXPECT_TRUE(fs::exists(BinDir() / "setup"));
}

}  // namespace
