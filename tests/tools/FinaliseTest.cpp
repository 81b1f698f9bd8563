// The finaliser removes the uninstaller's file and then its folder when empty.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;

int RunFinalise(const std::string& argument) {
  return testing_support::RunProgram("finalise", {argument}).status;
}

void Touch(const fs::path& path) { std::ofstream(path) << "x"; }

TEST(Finalise, RemovesTheUninstallerAndItsFolderWhenEmpty) {
  testing_support::TempPrefix prefix;
  const fs::path folder = prefix.DriveC() / "Games" / "Demo";
  fs::create_directories(folder);
  Touch(folder / "Demo_Uninstall.exe");

  EXPECT_EQ(RunFinalise(prefix.Path("C:\\GAMES\\demo\\Demo_Uninstall.exe")), 0);
  EXPECT_FALSE(fs::exists(folder / "Demo_Uninstall.exe"));
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(fs::exists(prefix.DriveC() / "Games"));  // only the uninstaller's folder
}

TEST(Finalise, KeepsAFolderThatStillHoldsFiles) {
  testing_support::TempPrefix prefix;
  const fs::path folder = prefix.DriveC() / "Demo";
  fs::create_directories(folder);
  Touch(folder / "Demo_Uninstall.exe");
  Touch(folder / "savegame.dat");

  EXPECT_EQ(RunFinalise((folder / "Demo_Uninstall.exe").string()), 0);  // a host path
  EXPECT_FALSE(fs::exists(folder / "Demo_Uninstall.exe"));
  EXPECT_TRUE(fs::exists(folder / "savegame.dat"));
}

TEST(Finalise, AMissingUninstallerIsNotAnError) {
  testing_support::TempPrefix prefix;
  EXPECT_EQ(RunFinalise("C:\\Nowhere\\x.exe"), 0);
  EXPECT_EQ(RunFinalise(""), 2);
}

}  // namespace
