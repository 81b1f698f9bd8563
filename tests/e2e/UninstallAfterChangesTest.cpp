// The uninstaller after the game changed under the add-on, through the real programs:
// the game folder renamed (the uninstaller finds its log beside itself), and a game
// file updated since the add-on replaced it (it stays, and the uninstaller says so).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/HostFiles.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ProgramResult;
using testing_support::ReadHostFile;
using testing_support::RunProgram;
using testing_support::RunProgramAt;

constexpr const char* kScript =
    "name Mod\nshortname Mod\noutfile Mod_Setup.exe\nprefix Mod\npages standard\nuninstallpages uninstall\n"
    "file files\\\n";

void WriteHost(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

TEST(UninstallAfterChanges, AMovedFolderOrAnUpdatedFileIsHandledAsThePlayerExpects) {
  struct Case {
    const char* name;
    bool renameFolder;
    bool updateGame;
    bool moveLogAway;  // neither folder holds the log: the specified stop
    int status;
    const char* said;      // on stderr
    const char* gameFile;  // game.cfg afterwards
  } cases[] = {
      {"renamed folder", true, false, false, 0, "beside the uninstaller", "the game's settings"},
      {"updated file", false, true, false, 0, "game.cfg\" kept: changed since the add-on was installed",
       "the game's update"},
      {"renamed and updated", true, true, false, 0, "kept: changed since the add-on was installed",
       "the game's update"},
      {"no log anywhere", true, false, true, 2, "Error: install log is missing", "the add-on's settings"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::TempPrefix prefix;
    testing_support::TempDir work;
    const fs::path old = prefix.DriveC() / "Games" / "Old";
    WriteHost(old / "game.cfg", "the game's settings");
    WriteHost(work.Path() / "mod.setup", kScript);
    WriteHost(work.Path() / "files" / "game.cfg", "the add-on's settings");
    WriteHost(work.Path() / "files" / "mod.txt", "mod");
    const fs::path setup = work.Path() / "Mod_Setup.exe";
    ProgramResult made = RunProgram("mksetup", {(work.Path() / "mod.setup").string(), "-o", setup.string()});
    ASSERT_EQ(made.status, 0) << made.err;
    made = RunProgramAt(setup.string(), {"--silent", "--dir", "C:\\Games\\Old"});
    ASSERT_EQ(made.status, 0) << made.err;

    const fs::path game = c.renameFolder ? prefix.DriveC() / "Games" / "New" : old;
    if (c.renameFolder) fs::rename(old, game);
    if (c.updateGame) WriteHost(game / "game.cfg", "the game's update");
    if (c.moveLogAway) fs::rename(game / "Mod_install.log", work.Path() / "Mod_install.log");
    const ProgramResult removed = RunProgramAt((game / "Mod_Uninstall.exe").string(), {"--silent"});
    EXPECT_EQ(removed.status, c.status) << removed.err;
    EXPECT_NE(removed.err.find(c.said), std::string::npos) << removed.err;
    EXPECT_EQ(ReadHostFile(game / "game.cfg"), c.gameFile);
    EXPECT_EQ(fs::exists(game / "mod.txt"), c.status != 0);
    EXPECT_EQ(fs::exists(game / "Mod_backup"), c.status != 0);
  }
}

}  // namespace
