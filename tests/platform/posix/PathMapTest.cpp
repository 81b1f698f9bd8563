#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/posix/PathMap.h"
#include "platform/posix/Prefix.h"
#include "support/TestMachine.h"
#include "support/HostFiles.h"

namespace platform {
namespace {

using testing_support::ReadHostFile;

namespace fs = std::filesystem;
using testing_support::TempPrefix;

void Touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

TEST(PathMap, AFreshPrefixGetsTheMinimalLayout) {
  TempPrefix prefix;
  EXPECT_FALSE(FileExists("C:\\nothing.txt"));  // first use makes the layout
  const fs::path root = prefix.Root();
  EXPECT_EQ(fs::read_symlink(root / "dosdevices/c:"), "../drive_c");
  EXPECT_EQ(fs::read_symlink(root / "dosdevices/z:"), "/");
  EXPECT_EQ(ReadHostFile(root / "system.reg"),
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n");
  EXPECT_EQ(ReadHostFile(root / "user.reg"),
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n");
  const fs::path user = root / "drive_c/users" / posix::UserName();
  EXPECT_TRUE(fs::is_directory(user / "AppData/Local/Temp"));
  EXPECT_TRUE(fs::is_directory(user / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs"));
  EXPECT_TRUE(DirectoryExists("C:\\Program Files"));
}

TEST(PathMap, ExistingNamesMatchWithoutRegardToCaseAndNewNamesKeepTheirSpelling) {
  TempPrefix prefix;
  const fs::path c = prefix.DriveC();
  Touch(c / "Games/MyGame/Data.PAK");
  const std::string game = (c / "Games/MyGame").string();
  const struct {
    const char* windows;
    std::string host;
  } cases[] = {
      {"C:\\Games\\MyGame\\Data.PAK", game + "/Data.PAK"},
      {"c:\\games\\MYGAME\\data.pak", game + "/Data.PAK"},
      {"C:/GAMES/mygame/DATA.pak", game + "/Data.PAK"},
      {"C:\\games\\MyGame\\New Dir\\File.TXT", game + "/New Dir/File.TXT"},
      {"C:\\gAmEs\\NewGame\\Sub\\x.dat", c.string() + "/Games/NewGame/Sub/x.dat"},
      {"C:\\Games\\.\\Other\\..\\mygame\\\\data.pak", game + "/Data.PAK"},
      {"C:\\..\\..\\games\\MyGame\\Data.PAK", game + "/Data.PAK"},
      {"C:\\Games\\MyGame\\Data.PAK. ", game + "/Data.PAK"},
      {"\\\\?\\C:\\Games\\mygame", game},
      {"C:\\", c.string()},
      {"c:", c.string()},
  };
  for (const auto& test : cases) {
    const auto host = HostPathOf(test.windows);
    ASSERT_TRUE(host) << test.windows;
    EXPECT_EQ(fs::path(*host).lexically_normal(), fs::path(test.host).lexically_normal()) << test.windows;
  }
  EXPECT_TRUE(FileExists("C:\\GAMES\\MYGAME\\DATA.PAK"));
  EXPECT_TRUE(DirectoryExists("c:\\games\\mygame"));
  EXPECT_FALSE(FileExists("c:\\games\\mygame"));
}

TEST(PathMap, EightBitNamesAreWindows1252InTheProgramAndUtf8OnDisk) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory("C:\\Caf\xE9"));
  ASSERT_TRUE(WriteFileBytes("C:\\Caf\xE9\\R\xE9sum\xE9 \x80.txt", "1", 1));
  EXPECT_TRUE(fs::exists(prefix.DriveC() / "Caf\u00e9/R\u00e9sum\u00e9 \u20ac.txt"));
  EXPECT_TRUE(FileExists("C:\\CAF\xC9\\r\xC9SUM\xC9 \x80.TXT"));
  const auto entries = ListDirectory("C:\\caf\xE9");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "R\xE9sum\xE9 \x80.txt");
}

// Names Windows-1252 lacks (a Cyrillic user name, Japanese file names) reach the
// program as stand-ins, and every path built on a stand-in leads to the real name.
TEST(PathMap, NamesOutsideWindows1252AreReachedThroughTheirStandIns) {
  TempPrefix prefix;
  const fs::path c = prefix.DriveC();
  Touch(c / "users/\u0438\u0432\u0430\u043d/Desktop/a.txt");
  Touch(c / "Games/\u30b2\u30fc\u30e0.exe");
  Touch(c / "Games/\u30c7\u30fc\u30bf");
  const std::string user = posix::WindowsNameOfHostName("\u0438\u0432\u0430\u043d");
  const std::string program = posix::WindowsNameOfHostName("\u30b2\u30fc\u30e0.exe");
  const std::string data = posix::WindowsNameOfHostName("\u30c7\u30fc\u30bf");
  EXPECT_EQ(user.front(), '~');
  EXPECT_EQ(program.substr(program.size() - 4), ".exe");            // still starts as a program
  EXPECT_EQ(posix::WindowsNameOfHostName("Caf\u00e9"), "Caf\xE9");  // fits: itself
  EXPECT_NE(user, data);
  // The same stand-in in every run: it is stored in logs and shortcuts.
  EXPECT_EQ(user, posix::WindowsNameOfHostName("\u0438\u0432\u0430\u043d"));

  const std::string desktop = "C:\\users\\" + user + "\\Desktop";
  EXPECT_TRUE(FileExists(desktop + "\\a.txt"));
  EXPECT_TRUE(FileExists("c:\\USERS\\" + AnsiLower(user) + "\\desktop\\A.TXT"));
  ASSERT_TRUE(WriteFileBytes(desktop + "\\Game.lnk", "L", 1));
  EXPECT_TRUE(fs::exists(c / "users/\u0438\u0432\u0430\u043d/Desktop/Game.lnk"));
  ASSERT_TRUE(MakeDirectory(desktop + "\\New"));
  EXPECT_TRUE(fs::is_directory(c / "users/\u0438\u0432\u0430\u043d/Desktop/New"));

  std::vector<std::string> names;
  for (const auto& entry : ListDirectory("C:\\Games")) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected{program, data};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  EXPECT_TRUE(FileExists("C:\\Games\\" + program));
  EXPECT_EQ(WindowsPathOf((c / "Games/\u30b2\u30fc\u30e0.exe").string()), "C:\\Games\\" + program);
  EXPECT_TRUE(DeleteFileAt("C:\\Games\\" + data));
  EXPECT_FALSE(fs::exists(c / "Games/\u30c7\u30fc\u30bf"));
  EXPECT_FALSE(FileExists("C:\\Games\\" + data));
}

TEST(PathMap, HostPathsBecomeWindowsPathsOnTheDriveThatHoldsThem) {
  TempPrefix prefix;
  Touch(prefix.DriveC() / "Games/a.txt");
  EXPECT_EQ(WindowsPathOf("/home/u/x.pkg"), "Z:\\home\\u\\x.pkg");
  EXPECT_EQ(WindowsPathOf("/"), "Z:\\");
  EXPECT_EQ(WindowsPathOf((prefix.DriveC() / "Games/a.txt").string()), "C:\\Games\\a.txt");
  EXPECT_EQ(WindowsPathOf((prefix.DriveC() / "Games/../Games/./a.txt").string()), "C:\\Games\\a.txt");
  EXPECT_EQ(WindowsPathOf("/tmp/caf\u00e9"), "Z:\\tmp\\caf\xE9");
  EXPECT_EQ(WindowsPathOf("D:\\already\\windows"), "D:\\already\\windows");

  const fs::path previous = fs::current_path();
  fs::current_path(prefix.DriveC() / "Games");
  EXPECT_EQ(WindowsPathOf("a.txt"), "C:\\Games\\a.txt");
  EXPECT_TRUE(FileExists("A.TXT"));           // relative Windows path
  EXPECT_TRUE(FileExists("\\games\\a.txt"));  // rooted: the current drive
  fs::current_path(previous);

  // A path that no drive holds keeps working through Wine's \\?\unix form.
  fs::remove(prefix.Root() / "dosdevices/z:");
  const std::string unix = WindowsPathOf("/tmp/x.pkg");
  EXPECT_EQ(unix, "\\\\?\\unix\\tmp\\x.pkg");
  EXPECT_EQ(HostPathOf(unix), "/tmp/x.pkg");
}

TEST(PathMap, UnmappablePathsBehaveAsMissingFilesAndNeverReachTheHostRoot) {
  TempPrefix prefix;
  const fs::path root = prefix.Root();
  fs::create_symlink(root / "no-such-target", root / "dosdevices/d:");
  const char* paths[] = {"Q:\\setup.log",
                         "\\\\server\\share\\setup.log",
                         "",
                         "C:\\bad|name.txt",
                         "C:\\what?.txt",
                         "\\\\?\\UNC\\server\\share\\x.txt",
                         "D:\\setup.log",
                         "D:\\",
                         "C:\\a\\b:stream"};
  for (const char* path : paths) {
    EXPECT_FALSE(HostPathOf(path)) << path;
    EXPECT_FALSE(FileExists(path)) << path;
    EXPECT_FALSE(DirectoryExists(path)) << path;
    EXPECT_FALSE(File::Open(path, OpenMode::CreateTruncate).IsOpen()) << path;
    EXPECT_FALSE(MakeDirectory(path)) << path;
    EXPECT_TRUE(ListDirectory(path).empty()) << path;
  }
  EXPECT_FALSE(fs::exists(root / "no-such-target"));
  EXPECT_FALSE(fs::exists("/setup.log"));
  EXPECT_FALSE(fs::exists("/server"));
}

TEST(PathMap, NamesAddedBehindTheProgramsBackAreFound) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory("C:\\Dir"));
  // Many new files: the folder's listing is kept in step with our own additions.
  for (int i = 0; i < 300; ++i) {
    const std::string name = "C:\\Dir\\File" + std::to_string(i) + ".Dat";
    ASSERT_TRUE(WriteFileBytes(name, "x", 1));
  }
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(FileExists("c:\\dir\\FILE" + std::to_string(i) + ".dat")) << i;
  EXPECT_FALSE(FileExists("C:\\Dir\\other.txt"));
  Touch(prefix.DriveC() / "Dir/Other.TXT");  // another program adds a file
  EXPECT_TRUE(FileExists("C:\\Dir\\other.txt"));
  fs::rename(prefix.DriveC() / "Dir/Other.TXT", prefix.DriveC() / "Dir/Moved.TXT");
  EXPECT_FALSE(FileExists("C:\\Dir\\other.txt"));
  EXPECT_TRUE(FileExists("C:\\Dir\\moved.txt"));
}

// A folder whose time lies in the past, so that its listing is kept between lookups.
void AgeFolder(const fs::path& folder) {
  fs::last_write_time(folder, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

TEST(PathMap, RenamingOneOfTwoSpellingsAwayLeavesTheOtherFound) {
  TempPrefix prefix;
  const fs::path dir = prefix.DriveC() / "Dir";
  Touch(dir / "A.TMP");
  Touch(dir / "a.tmp");
  AgeFolder(dir);
  EXPECT_FALSE(FileExists("C:\\Dir\\x.tmp"));  // the listing is read and kept
  ASSERT_TRUE(ReplaceFileWith("C:\\Dir\\A.TMP", "C:\\Dir\\new.dat"));
  EXPECT_TRUE(FileExists("C:\\Dir\\a.Tmp"));
  EXPECT_TRUE(FileExists("C:\\Dir\\NEW.DAT"));
  ASSERT_TRUE(ReplaceFileWith("C:\\Dir\\a.tmp", "C:\\Dir\\other.dat"));
  EXPECT_FALSE(FileExists("C:\\Dir\\A.tmp"));
  EXPECT_TRUE(FileExists("C:\\Dir\\Other.Dat"));
}

TEST(PathMap, ANameThereAsGivenWinsOverAnotherSpellingEvenWhenItLeadsNowhere) {
  TempPrefix prefix;
  const fs::path dir = prefix.DriveC() / "Dir";
  Touch(dir / "LINK");
  fs::create_symlink(dir / "nowhere", dir / "link");
  AgeFolder(dir);
  const struct {
    const char* windows;
    const char* host;
  } cases[] = {{"C:\\Dir\\link", "link"}, {"C:\\Dir\\LINK", "LINK"}, {"C:\\Dir\\Link", "LINK"}};
  for (const auto& c : cases) EXPECT_EQ(HostPathOf(c.windows), (dir / c.host).string()) << c.windows;
  EXPECT_FALSE(FileExists("C:\\Dir\\link"));  // a link to nothing is no file
  EXPECT_TRUE(FileExists("C:\\Dir\\Link"));
}

// Drive D: of the prefix, leading to one of the folders d-one and d-two at its root.
void MapDriveD(const fs::path& root, const char* target) {
  fs::create_directories(root / "d-one");
  fs::create_directories(root / "d-two");
  fs::remove(root / "dosdevices/d:");
  fs::create_directory_symlink(target, root / "dosdevices/d:");
}

TEST(PathMap, ADriveKeepsItsMappingWhileAScopeIsAliveAndOnlyOnItsThread) {
  TempPrefix prefix;
  const fs::path root = prefix.Root();
  MapDriveD(root, "../d-one");
  const std::string one = (root / "d-one/x.dat").string(), two = (root / "d-two/x.dat").string();
  {
    const PathMappingScope outer;
    EXPECT_EQ(HostPathOf("D:\\x.dat"), one);
    MapDriveD(root, "../d-two");
    {
      const PathMappingScope inner;
      EXPECT_EQ(HostPathOf("d:\\x.dat"), one);
    }
    EXPECT_EQ(HostPathOf("D:\\x.dat"), one);  // the outer scope still holds
    std::optional<std::string> elsewhere;
    std::thread([&] { elsewhere = HostPathOf("D:\\x.dat"); }).join();
    EXPECT_EQ(elsewhere, two);
  }
  EXPECT_EQ(HostPathOf("D:\\x.dat"), two);
  {
    const PathMappingScope scope;
    fs::remove(root / "dosdevices/d:");
    EXPECT_EQ(HostPathOf("D:\\x.dat"), std::nullopt);  // a drive missing when first used stays missing
    MapDriveD(root, "../d-one");
    EXPECT_EQ(HostPathOf("D:\\x.dat"), std::nullopt);
  }
  EXPECT_EQ(HostPathOf("D:\\x.dat"), one);
}

TEST(PathMap, ADriveScopeKeepsTheDriveButLooksNamesUpAfresh) {
  TempPrefix prefix;
  const fs::path root = prefix.Root();
  MapDriveD(root, "../d-one");
  Touch(root / "d-one/A.TXT");
  {
    const DriveMappingScope drives;
    EXPECT_EQ(HostPathOf("D:\\a.txt"), (root / "d-one/A.TXT").string());
    MapDriveD(root, "../d-two");
    fs::rename(root / "d-one/A.TXT", root / "d-one/a.txt");
    {
      const PathMappingScope step;  // a step inside keeps the drive when it ends
    }
    EXPECT_EQ(HostPathOf("D:\\a.txt"), (root / "d-one/a.txt").string());
  }
  EXPECT_EQ(HostPathOf("D:\\a.txt"), (root / "d-two/a.txt").string());
}

TEST(PathMap, ANameKeepsTheLetterCaseItWasFoundInWhileAScopeIsAlive) {
  TempPrefix prefix;
  const fs::path dir = prefix.DriveC() / "Dir";
  Touch(dir / "A.TXT");
  {
    const PathMappingScope scope;
    EXPECT_EQ(HostPathOf("C:\\Dir\\a.txt"), (dir / "A.TXT").string());
    fs::rename(dir / "A.TXT", dir / "a.txt");  // another program renames it
    EXPECT_EQ(HostPathOf("C:\\Dir\\a.txt"), (dir / "A.TXT").string());
    EXPECT_FALSE(FileExists("C:\\Dir\\a.txt"));  // whether it is there is asked each time
    EXPECT_TRUE(FileExists("C:\\Dir\\A.txt"));   // another spelling is looked up afresh
  }
  EXPECT_EQ(HostPathOf("C:\\Dir\\a.txt"), (dir / "a.txt").string());
  EXPECT_TRUE(FileExists("C:\\Dir\\a.txt"));
}

}  // namespace
}  // namespace platform
