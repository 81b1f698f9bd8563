// What the Linux half adds to the file contract: the prefix's own folders, a drive
// root behind a link, links inside listings, the executable mark.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/posix/Prefix.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing_support::TempPrefix;

bool Write(const std::string& path, const std::string& text) {
  return WriteFileBytes(path, text.data(), text.size());
}

// Any user may flush a file system on Linux (Windows keeps a volume's flush for
// administrators); a drive without a target has nothing to flush.
TEST(FilesPosix, TheVolumeOfADriveCanBeFlushed) {
  TempPrefix prefix;
  EXPECT_TRUE(FlushVolumeOf("C:\\")) << LastErrorText();
  EXPECT_TRUE(FlushVolumeOf("C:\\windows")) << LastErrorText();
  EXPECT_FALSE(FlushVolumeOf("Q:\\"));
}

// A file made without a name shows nowhere until it is linked, is never linked over a
// name that is there (in any letter case), and leaves nothing when it is not linked.
TEST(FilesPosix, AnUnnamedFileAppearsOnlyWhenLinkedAndNeverOverAnotherFile) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\Dir")));
  {
    File file = File::CreateUnnamed(prefix.Path("C:\\Dir"));
    ASSERT_TRUE(file.IsOpen()) << LastErrorText();
    ASSERT_TRUE(file.WriteAll("abc", 3));
    EXPECT_TRUE(ListDirectory(prefix.Path("C:\\Dir")).empty());
    EXPECT_TRUE(file.LinkAs(prefix.Path("C:\\Dir\\New.dat"))) << LastErrorText();
  }
  EXPECT_TRUE(FileExists(prefix.Path("C:\\dir\\new.DAT")));
  {
    File other = File::CreateUnnamed(prefix.Path("C:\\Dir"));
    ASSERT_TRUE(other.WriteAll("xyz", 3));
    EXPECT_FALSE(other.LinkAs(prefix.Path("C:\\Dir\\NEW.DAT")));
    File never = File::CreateUnnamed(prefix.Path("C:\\Dir"));
    ASSERT_TRUE(never.WriteAll("lost", 4));
  }
  const auto left = ListDirectory(prefix.Path("C:\\Dir"));
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].name, "New.dat");
  EXPECT_EQ(ReadWholeFile(prefix.Path("C:\\Dir\\New.dat")), std::vector<uint8_t>({'a', 'b', 'c'}));
  EXPECT_FALSE(File::CreateUnnamed(prefix.Path("C:\\Missing")).IsOpen());
}

// Where the Linux half refuses on its own what Windows refuses, the reason it leaves
// is that refusal's, never one left over from an earlier call.
TEST(FilesPosix, EveryRefusalLeavesItsOwnReason) {
  TempPrefix prefix;
  ASSERT_TRUE(Write(prefix.Path("C:\\a.txt"), "a"));
  ASSERT_TRUE(Write(prefix.Path("C:\\b.txt"), "b"));
  ASSERT_TRUE(Write(prefix.Path("C:\\locked.txt"), "l"));
  ASSERT_TRUE(SetReadOnly(prefix.Path("C:\\locked.txt"), true));
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\Folder")));
  struct Case {
    const char* what;
    std::function<bool()> refused;
    int reason;
  };
  const std::vector<Case> cases = {
      {"delete a read-only file", [&] { return DeleteFileAt(prefix.Path("C:\\locked.txt")); }, EACCES},
      {"delete a folder as a file", [&] { return DeleteFileAt(prefix.Path("C:\\Folder")); }, EISDIR},
      {"rename onto an existing name",
       [&] { return RenameFile(prefix.Path("C:\\a.txt"), prefix.Path("C:\\B.TXT")); }, EEXIST},
      {"rename what is not there",
       [&] { return RenameFile(prefix.Path("C:\\none.txt"), prefix.Path("C:\\c.txt")); }, ENOENT},
      {"make a folder that exists", [&] { return MakeDirectory(prefix.Path("C:\\folder")); }, EEXIST},
      {"make a folder in one that is missing", [&] { return MakeDirectory(prefix.Path("C:\\no\\x")); },
       ENOENT},
      {"remove a drive's root", [&] { return RemoveEmptyDirectory(prefix.Path("C:\\")); }, EACCES},
      {"copy a folder", [&] { return CopyFileOverwriting(prefix.Path("C:\\Folder"), prefix.Path("C:\\c")); },
       EISDIR},
      {"copy onto a read-only file",
       [&] { return CopyFileOverwriting(prefix.Path("C:\\a.txt"), prefix.Path("C:\\locked.txt")); }, EACCES},
      {"copy a file onto itself",
       [&] { return CopyFileOverwriting(prefix.Path("C:\\a.txt"), prefix.Path("C:\\A.TXT")); }, EBUSY},
  };
  for (const Case& c : cases) {
    errno = ENOTTY;  // a stale reason no case leaves
    EXPECT_FALSE(c.refused()) << c.what;
    EXPECT_EQ(errno, c.reason) << c.what << ": " << std::strerror(errno);
  }
}

TEST(FilesPosix, DriveRootsAndThePrefixsOwnFoldersAreNeverRemoved) {
  TempPrefix prefix;
  EXPECT_FALSE(DeleteFileAt("C:\\Program Files"));
  fs::create_directories(prefix.Root() / "empty");
  fs::create_directory_symlink(prefix.Root() / "empty", prefix.Root() / "dosdevices/e:");
  EXPECT_FALSE(RemoveEmptyDirectory("E:\\"));
  EXPECT_TRUE(fs::exists(prefix.Root() / "empty"));
}

TEST(FilesPosix, ALinkInAListingIsFlaggedAndTellsWhatItPointsAt) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory("C:\\L"));
  ASSERT_TRUE(MakeDirectory("C:\\L\\a folder"));
  fs::create_directory_symlink(prefix.DriveC() / "L/a folder", prefix.DriveC() / "L/link");
  const auto entries = ListDirectory("C:\\L");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_FALSE(entries[0].isLink);
  EXPECT_EQ(entries[1].name, "link");
  EXPECT_TRUE(entries[1].isLink);
  EXPECT_TRUE(entries[1].isDirectory);
}

TEST(FilesPosix, TemporaryFolderOwnPathAndExecutableMark) {
  TempPrefix prefix;
  const std::string temp = TempFolder();
  EXPECT_EQ(temp, "C:\\users\\" + posix::UserName() + "\\AppData\\Local\\Temp");
  fs::remove_all(prefix.DriveC() / "users");
  EXPECT_EQ(TempFolder(), temp);
  EXPECT_TRUE(DirectoryExists(temp));

  const std::string own = OwnExecutablePath();
  EXPECT_EQ(own.substr(0, 3), "Z:\\");
  ASSERT_TRUE(HostPathOf(own));
  EXPECT_TRUE(fs::equivalent(*HostPathOf(own), "/proc/self/exe"));

  ASSERT_TRUE(Write("C:\\tool", "#!/bin/sh\n"));
  EXPECT_TRUE(MarkExecutable("C:\\TOOL"));
  struct stat st;
  ASSERT_EQ(stat((prefix.DriveC() / "tool").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  EXPECT_FALSE(MarkExecutable("C:\\missing"));
}

}  // namespace
}  // namespace platform
