// End to end: an add-on whose script uses every family of commands (flow and
// messages, files and programs, registry values, URL protocols and shortcuts, game
// package and archive updates) is packed with mksetup, installed with
// `setup --silent` into a game in a fresh prefix, and removed again with the
// uninstaller it left. Afterwards the prefix holds the same files and folders as
// before, a game file the add-on replaced with its original content; what an
// uninstallation keeps stays: registry keys, the updates made inside the game's own
// package and archive (with the archive's lookup table), and the finaliser's copy in
// the temporary folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "platform/Registry.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"
#include "support/HostFiles.h"

namespace {

using testing_support::ReadHostFile;

namespace fs = std::filesystem;
using testing_support::ProgramResult;
using testing_support::RunProgram;
using testing_support::RunProgramAt;

constexpr const char* kScript = R"(; An add-on that touches every family of commands.
name "E2E Add-on"
shortname "E2E Add-on"
outfile E2E_Setup.exe
prefix E2E
installdirregkey HKCU Software\E2E\Game Path
installdir "$PROGRAMFILES\E2E Game"
pages full
uninstallpages uninstall
language install\english
language install\czech
uninstalllanguage uninstall\english

message <LANG21>
file files\
file maps\m1.map Maps
createdirectory $INSTDIR\Saves\Slot1
copyfile $INSTDIR\addon.cfg $INSTDIR\Saves\addon.bak
rename $INSTDIR\Saves\addon.bak $INSTDIR\Saves\addon.old
delete $INSTDIR\Saves\addon.old
createdirectory $INSTDIR\Scratch\deeper
rmdir $INSTDIR\Scratch 1
execute $INSTDIR\tools\mark.sh
iffileexists $INSTDIR\Saves\ran.txt ran 0
failure
ran:
delete $INSTDIR\Saves\ran.txt
messagebox "Install the maps too?" "E2E" 0 0
goto registry
failure
registry:
writeregstr HKCU Software\E2E\AddOn Version 2.0
writeregstr HKCU Software\E2E\AddOn Folder $INSTDIR
writeregstr_url e2eproto $INSTDIR\game.exe $INSTDIR\game.exe %1
ztpupdate ztp\ secret data.ztp
ztpofficial data.ztp VORPELK true
duplicateentry data.ztp readme.txt copy\readme.txt
vfsupdate sounds\ sounds.vfs
message <LANG22>
createshortcut "$SMPROGRAMS\E2E\Play E2E.lnk" $INSTDIR\game.exe -play
)";

void WriteHost(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// Every file and folder below the prefix (its registry files aside), relative.
std::set<std::string> Snapshot(const fs::path& root) {
  std::set<std::string> paths;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    if (entry.path().extension() != ".reg") paths.insert(relative);
  }
  return paths;
}

std::optional<std::string> Value(platform::RegistryRoot root, const std::string& key,
                                 const std::string& name) {
  const auto k = platform::RegistryKey::Open(root, key, false);
  return k ? k->ReadString(name).AsOptional() : std::nullopt;
}

bool KeyExists(platform::RegistryRoot root, const std::string& key) {
  return platform::RegistryKey::Open(root, key, false).Ok();
}

}  // namespace

TEST(EndToEnd, InstallThenUninstallLeavesThePrefixAsItWas) {
  testing_support::TempPrefix prefix;
  testing_support::TempDir work;
  const fs::path game = prefix.DriveC() / "Games" / "E2E";

  // The game: a program, a package and an archive of its own.
  WriteHost(game / "game.exe", "the game");
  WriteHost(game / "game.cfg", "the game's settings");
  ProgramResult made = RunProgram("setuptool", {"ztp", "create", (game / "data.ztp").string()});
  ASSERT_EQ(made.status, 0) << made.err;
  made = RunProgram("setuptool", {"vfs", "create", (game / "sounds.vfs").string(), "--block-size", "512",
                                  "--blocks", "200", "--roots", "16"});
  ASSERT_EQ(made.status, 0) << made.err;
  const std::set<std::string> before = Snapshot(prefix.Root());

  // The add-on.
  WriteHost(work.Path() / "e2e.setup", kScript);
  WriteHost(work.Path() / "files" / "addon.cfg", "maps=on\r\n");
  WriteHost(work.Path() / "files" / "readme.txt", "E2E add-on\r\n");
  // A game file the add-on replaces: its original is kept and comes back.
  WriteHost(work.Path() / "files" / "game.cfg", "the add-on's settings");
  // A program the script starts: it leaves a mark that the script then checks for.
  WriteHost(work.Path() / "files" / "tools" / "mark.sh",
            "#!/bin/sh\nprintf ran > \"$(dirname \"$0\")/../Saves/ran.txt\"\n");
  WriteHost(work.Path() / "maps" / "m1.map", std::string(5000, 'm'));
  WriteHost(work.Path() / "ztp" / "readme.txt", "package readme");
  WriteHost(work.Path() / "ztp" / "Data" / "Notes.txt", std::string(4000, 'n'));
  WriteHost(work.Path() / "sounds" / "fx" / "boom.snd", "boom");
  const fs::path setup = work.Path() / "E2E_Setup.exe";
  made = RunProgram("mksetup", {(work.Path() / "e2e.setup").string(), "-o", setup.string()});
  ASSERT_EQ(made.status, 0) << made.err;

  // Install, the directory typed on the directory page.
  const ProgramResult installed = RunProgramAt(setup.string(), {"--silent", "--dir", "C:\\Games\\E2E"});
  ASSERT_EQ(installed.status, 0) << installed.err << installed.out;
  EXPECT_EQ(installed.err, "E2E: Install the maps too?\n");
  EXPECT_NE(installed.out.find("page\t2\tinstalldir\n"), std::string::npos) << installed.out;
  EXPECT_NE(installed.out.find("page\t5\tfinish\n"), std::string::npos) << installed.out;
  for (const char* file :
       {"addon.cfg", "readme.txt", "tools/mark.sh", "Maps/m1.map", "E2E_install.log", "E2E_Uninstall.exe"})
    EXPECT_TRUE(fs::is_regular_file(game / file)) << file;
  EXPECT_TRUE(fs::is_directory(game / "Saves" / "Slot1"));
  EXPECT_EQ(ReadHostFile(game / "game.cfg"), "the add-on's settings");
  EXPECT_EQ(ReadHostFile(game / "E2E_backup" / "INSTDIRgame.cfg"), "the game's settings");
  EXPECT_FALSE(fs::exists(game / "Saves" / "addon.old"));
  EXPECT_FALSE(fs::exists(game / "Scratch"));
  EXPECT_EQ(Value(platform::RegistryRoot::CurrentUser, "Software\\E2E\\AddOn", "Version").value_or(""),
            "2.0");
  EXPECT_EQ(Value(platform::RegistryRoot::CurrentUser, "Software\\E2E\\AddOn", "Folder").value_or(""),
            "C:\\Games\\E2E\\");
  const std::string uninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\E2E Add-on";
  EXPECT_EQ(Value(platform::RegistryRoot::LocalMachine, uninstallKey, "UninstallString").value_or(""),
            "C:\\Games\\E2E\\E2E_Uninstall.exe");
  ProgramResult listed = RunProgram("setuptool", {"ztp", "list", (game / "data.ztp").string()});
  EXPECT_NE(listed.out.find("copy\\readme.txt"), std::string::npos) << listed.out << listed.err;
  listed = RunProgram("setuptool", {"vfs", "list", (game / "sounds.vfs").string()});
  EXPECT_NE(listed.out.find("fx\\boom.snd"), std::string::npos) << listed.out << listed.err;
  bool linked = false;
  for (const auto& entry : fs::recursive_directory_iterator(prefix.DriveC() / "users"))
    linked = linked || entry.path().filename() == "Play E2E.lnk";
  EXPECT_TRUE(linked);

  // Uninstall.
  const fs::path uninstaller = game / "E2E_Uninstall.exe";
  const ProgramResult removed = RunProgramAt(uninstaller.string(), {"--silent"});
  ASSERT_EQ(removed.status, 0) << removed.err << removed.out;
  EXPECT_NE(removed.out.find("page\t2\tuninstall\n"), std::string::npos) << removed.out;
  // The finaliser removes the uninstaller once the uninstaller has ended.
  for (int i = 0; i < 500 && fs::exists(uninstaller); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

  std::set<std::string> after = Snapshot(prefix.Root());
  for (auto it = after.begin(); it != after.end();)
    it = fs::path(*it).filename() == "FINALISE.exe" ? after.erase(it) : std::next(it);
  // The archive's update wrote its lookup table beside it: part of the game's archive.
  EXPECT_EQ(after.erase("drive_c/Games/E2E/sounds.ht"), 1u);
  EXPECT_EQ(after, before);
  EXPECT_EQ(ReadHostFile(game / "game.exe"), "the game");
  EXPECT_EQ(ReadHostFile(game / "game.cfg"), "the game's settings");
  EXPECT_FALSE(Value(platform::RegistryRoot::CurrentUser, "Software\\E2E\\AddOn", "Version"));
  EXPECT_FALSE(Value(platform::RegistryRoot::CurrentUser, "Software\\E2E\\AddOn", "Folder"));
  EXPECT_TRUE(KeyExists(platform::RegistryRoot::CurrentUser, "Software\\E2E\\AddOn"));  // keys stay
  EXPECT_FALSE(KeyExists(platform::RegistryRoot::LocalMachine, uninstallKey));
}
