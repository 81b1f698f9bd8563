#include "platform/Files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/Prefix.h"
#include "support/TempPrefix.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing_support::TempPrefix;

std::string Contents(const std::string& path) {
  const auto bytes = ReadWholeFile(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<unreadable>");
}

bool Write(const std::string& path, const std::string& text) {
  return WriteFileBytes(path, text.data(), text.size());
}

TEST(Files, ReadWriteSeekAndCutAnOpenFile) {
  TempPrefix prefix;
  File file = File::Open("C:\\data.bin", OpenMode::CreateTruncate);
  ASSERT_TRUE(file.IsOpen());
  EXPECT_TRUE(file.WriteAll("0123456789", 10));
  EXPECT_EQ(file.Size(), 10);
  EXPECT_EQ(file.Seek(-4, SeekOrigin::End), 6);
  char four[4];
  EXPECT_TRUE(file.ReadExact(four, 4));
  EXPECT_EQ(std::string(four, 4), "6789");
  EXPECT_FALSE(file.ReadExact(four, 1));  // at the end
  EXPECT_EQ(file.Seek(3), 3);
  EXPECT_EQ(file.Seek(2, SeekOrigin::Current), 5);
  EXPECT_TRUE(file.SetEndOfFile());
  EXPECT_EQ(file.Size(), 5);
  EXPECT_EQ(file.Seek(-1), -1);
  EXPECT_TRUE(file.Flush());
  File moved = std::move(file);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(moved.IsOpen());
  moved.Close();
  EXPECT_EQ(Contents("c:\\DATA.BIN"), "01234");
}

TEST(Files, OpenModesFollowTheSystemsRules) {
  TempPrefix prefix;
  ASSERT_TRUE(Write("C:\\a.txt", "old contents"));
  ASSERT_TRUE(MakeDirectory("C:\\folder"));
  const struct {
    const char* path;
    OpenMode mode;
    bool opens;
  } cases[] = {
      {"C:\\missing.txt", OpenMode::ReadShared, false},
      {"C:\\missing.txt", OpenMode::ReadWrite, false},
      {"C:\\nofolder\\x.txt", OpenMode::CreateTruncate, false},
      {"C:\\folder", OpenMode::ReadShared, false},
      {"C:\\folder", OpenMode::CreateTruncate, false},
      {"C:\\A.TXT", OpenMode::ReadShared, true},
      {"C:\\A.TXT", OpenMode::ReadWrite, true},
  };
  for (const auto& test : cases)
    EXPECT_EQ(File::Open(test.path, test.mode).IsOpen(), test.opens) << test.path;
  EXPECT_FALSE(FileExists("C:\\missing.txt"));
  EXPECT_EQ(Contents("C:\\a.txt"), "old contents");
  EXPECT_TRUE(File::Open("C:\\A.txt", OpenMode::CreateTruncate).IsOpen());
  EXPECT_EQ(Contents("C:\\a.txt"), "");
  EXPECT_FALSE(fs::exists(prefix.DriveC() / "A.txt"));  // the existing name was used
}

TEST(Files, TheReadOnlyAttributeProtectsAFileAsOnWindows) {
  TempPrefix prefix;
  ASSERT_TRUE(Write("C:\\ro.txt", "keep"));
  ASSERT_TRUE(Write("C:\\other.txt", "other"));
  EXPECT_FALSE(IsReadOnly("C:\\ro.txt"));
  ASSERT_TRUE(SetReadOnly("C:\\RO.TXT", true));
  EXPECT_TRUE(IsReadOnly("C:\\ro.txt"));
  EXPECT_FALSE(File::Open("C:\\ro.txt", OpenMode::ReadWrite).IsOpen());
  EXPECT_FALSE(File::Open("C:\\ro.txt", OpenMode::CreateTruncate).IsOpen());
  EXPECT_FALSE(CopyFileOverwriting("C:\\other.txt", "C:\\ro.txt"));
  EXPECT_FALSE(DeleteFileAt("C:\\ro.txt"));
  EXPECT_TRUE(File::Open("C:\\ro.txt", OpenMode::ReadShared).IsOpen());
  EXPECT_EQ(Contents("C:\\ro.txt"), "keep");
  EXPECT_TRUE(SetReadOnly("C:\\ro.txt", false));
  EXPECT_FALSE(IsReadOnly("C:\\ro.txt"));
  EXPECT_TRUE(DeleteFileAt("C:\\ro.txt"));
  EXPECT_FALSE(SetReadOnly("C:\\ro.txt", true));
  EXPECT_FALSE(IsReadOnly("C:\\ro.txt"));
}

TEST(Files, CopyReplacesTheTargetButNeverDestroysItsSource) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory("C:\\From"));
  ASSERT_TRUE(Write("C:\\From\\File.dat", "new bytes"));
  ASSERT_TRUE(Write("C:\\target.dat", "old"));
  EXPECT_TRUE(CopyFileOverwriting("C:\\from\\file.dat", "C:\\TARGET.DAT"));
  EXPECT_EQ(Contents("C:\\target.dat"), "new bytes");
  EXPECT_EQ(Contents("C:\\From\\File.dat"), "new bytes");
  EXPECT_TRUE(CopyFileOverwriting("C:\\From\\File.dat", "C:\\Fresh.dat"));
  EXPECT_TRUE(fs::exists(prefix.DriveC() / "Fresh.dat"));
  EXPECT_FALSE(CopyFileOverwriting("C:\\From\\File.dat", "C:\\from\\FILE.DAT"));
  EXPECT_EQ(Contents("C:\\From\\File.dat"), "new bytes");
  EXPECT_FALSE(CopyFileOverwriting("C:\\missing.dat", "C:\\x.dat"));
  EXPECT_FALSE(CopyFileOverwriting("C:\\From", "C:\\x.dat"));
  EXPECT_FALSE(CopyFileOverwriting("C:\\From\\File.dat", "C:\\nofolder\\x.dat"));
  EXPECT_FALSE(CopyFileOverwriting("C:\\From\\File.dat", "C:\\From"));
  EXPECT_FALSE(FileExists("C:\\x.dat"));
  // No half-written copies are left beside the target.
  for (const auto& entry : ListDirectory("C:\\"))
    EXPECT_NE(entry.name.rfind(".copy-", 0), 0u) << entry.name;
}

TEST(Files, RenameNeverReplacesButMayChangeTheLetterCase) {
  TempPrefix prefix;
  ASSERT_TRUE(Write("C:\\a.txt", "a"));
  ASSERT_TRUE(Write("C:\\b.txt", "b"));
  ASSERT_TRUE(MakeDirectory("C:\\Sub"));
  EXPECT_FALSE(RenameFile("C:\\a.txt", "C:\\B.TXT"));
  EXPECT_EQ(Contents("C:\\b.txt"), "b");
  EXPECT_FALSE(RenameFile("C:\\missing.txt", "C:\\c.txt"));
  EXPECT_TRUE(RenameFile("C:\\a.txt", "C:\\A.Txt"));
  EXPECT_TRUE(fs::exists(prefix.DriveC() / "A.Txt"));
  EXPECT_FALSE(fs::exists(prefix.DriveC() / "a.txt"));
  EXPECT_TRUE(RenameFile("C:\\a.txt", "C:\\sub\\moved.txt"));
  EXPECT_EQ(Contents("C:\\Sub\\Moved.txt"), "a");
  EXPECT_TRUE(RenameFile("C:\\SUB", "C:\\Renamed"));
  EXPECT_TRUE(FileExists("C:\\renamed\\moved.txt"));
  EXPECT_FALSE(RenameFile("C:\\b.txt", "C:\\nofolder\\b.txt"));
}

TEST(Files, FoldersAreMadeAndRemovedOneLevelAtATime) {
  TempPrefix prefix;
  EXPECT_FALSE(MakeDirectory("C:\\one\\two"));
  EXPECT_TRUE(MakeDirectory("C:\\One"));
  EXPECT_FALSE(MakeDirectory("C:\\ONE"));
  EXPECT_TRUE(MakeDirectory("C:\\one\\Two"));
  EXPECT_TRUE(fs::is_directory(prefix.DriveC() / "One/Two"));
  EXPECT_FALSE(RemoveEmptyDirectory("C:\\one"));
  EXPECT_TRUE(RemoveEmptyDirectory("C:\\ONE\\TWO"));
  EXPECT_TRUE(RemoveEmptyDirectory("C:\\one"));
  EXPECT_FALSE(DirectoryExists("C:\\One"));
  ASSERT_TRUE(Write("C:\\file.txt", ""));
  EXPECT_FALSE(RemoveEmptyDirectory("C:\\file.txt"));
  EXPECT_FALSE(DeleteFileAt("C:\\Program Files"));
  fs::create_directories(prefix.Root() / "empty");
  fs::create_directory_symlink(prefix.Root() / "empty", prefix.Root() / "dosdevices/e:");
  EXPECT_FALSE(RemoveEmptyDirectory("E:\\"));
  EXPECT_TRUE(fs::exists(prefix.Root() / "empty"));
}

TEST(Files, ListingsAreSortedWithoutRegardToCaseAndTellFoldersApart) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory("C:\\L"));
  for (const char* name : {"b.txt", "A.txt", "C.txt", "\xE9t\xE9.txt"})
    ASSERT_TRUE(Write(std::string("C:\\L\\") + name, ""));
  ASSERT_TRUE(MakeDirectory("C:\\L\\a folder"));
  fs::create_directory_symlink(prefix.DriveC() / "L/a folder", prefix.DriveC() / "L/link");
  const auto entries = ListDirectory("c:\\l\\");
  std::vector<std::pair<std::string, bool>> seen;
  for (const auto& entry : entries) seen.emplace_back(entry.name, entry.isDirectory);
  const std::vector<std::pair<std::string, bool>> expected = {
      {"a folder", true}, {"A.txt", false}, {"b.txt", false},
      {"C.txt", false},   {"link", true},   {"\xE9t\xE9.txt", false}};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(ListDirectory("C:\\missing").empty());
}

TEST(Files, WholeFilesRoundTripEveryByte) {
  TempPrefix prefix;
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  ASSERT_TRUE(Write("C:\\all.bin", all + all));
  EXPECT_EQ(Contents("C:\\all.bin"), all + all);
  EXPECT_FALSE(ReadWholeFile("C:\\missing.bin"));
  EXPECT_FALSE(WriteFileBytes("C:\\missing\\x.bin", "x", 1));
}

TEST(Files, TemporaryFolderOwnPathAndExecutableMark) {
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
