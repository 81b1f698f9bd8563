#include "platform/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/Errors.h"
#include "platform/FaultInjection.h"
#include "support/TestMachine.h"

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
  File file = File::Open(prefix.Path("C:\\data.bin"), OpenMode::CreateTruncate);
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
  EXPECT_EQ(Contents(prefix.Path("c:\\DATA.BIN")), "01234");
}

// Reads at a position do not depend on the position the other reads go from.
TEST(Files, ReadsAtAPositionIgnoreTheFilePosition) {
  TempPrefix prefix;
  ASSERT_TRUE(Write(prefix.Path("C:\\data.bin"), "0123456789"));
  File file = File::Open(prefix.Path("C:\\data.bin"), OpenMode::ReadKeepShut);
  ASSERT_TRUE(file.IsOpen());
  EXPECT_EQ(file.Seek(2), 2);
  char three[3];
  ASSERT_TRUE(file.ReadAt(7, three, 3));
  EXPECT_EQ(std::string(three, 3), "789");
  EXPECT_FALSE(file.ReadAt(8, three, 3));  // past the end
  EXPECT_FALSE(file.ReadAt(1ull << 33, three, 1));
  ASSERT_TRUE(file.ReadAt(0, three, 2));
  EXPECT_EQ(std::string(three, 2), "01");
}

TEST(Files, OpenModesFollowTheSystemsRules) {
  TempPrefix prefix;
  ASSERT_TRUE(Write(prefix.Path("C:\\a.txt"), "old contents"));
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\folder")));
  const struct {
    std::string path;
    OpenMode mode;
    bool opens;
  } cases[] = {
      {prefix.Path("C:\\missing.txt"), OpenMode::ReadShared, false},
      {prefix.Path("C:\\missing.txt"), OpenMode::ReadWrite, false},
      {prefix.Path("C:\\nofolder\\x.txt"), OpenMode::CreateTruncate, false},
      {prefix.Path("C:\\folder"), OpenMode::ReadShared, false},
      {prefix.Path("C:\\folder"), OpenMode::CreateTruncate, false},
      {prefix.Path("C:\\A.TXT"), OpenMode::ReadShared, true},
      {prefix.Path("C:\\A.TXT"), OpenMode::ReadWrite, true},
      // A new file only: never one that is there, in any letter case, nor a folder.
      {prefix.Path("C:\\A.TXT"), OpenMode::CreateNew, false},
      {prefix.Path("C:\\folder"), OpenMode::CreateNew, false},
      {prefix.Path("C:\\new.txt"), OpenMode::CreateNew, true},
  };
  for (const auto& test : cases)
    EXPECT_EQ(File::Open(test.path, test.mode).IsOpen(), test.opens) << test.path;
  EXPECT_FALSE(FileExists(prefix.Path("C:\\missing.txt")));
  EXPECT_EQ(Contents(prefix.Path("C:\\a.txt")), "old contents");
  EXPECT_TRUE(FileExists(prefix.Path("C:\\new.txt")));
  EXPECT_FALSE(File::Open(prefix.Path("C:\\new.txt"), OpenMode::CreateNew).IsOpen());
  EXPECT_TRUE(LastErrorIsNameTaken()) << LastErrorText();
  EXPECT_TRUE(File::Open(prefix.Path("C:\\A.txt"), OpenMode::CreateTruncate).IsOpen());
  EXPECT_EQ(Contents(prefix.Path("C:\\a.txt")), "");
  EXPECT_EQ(ListDirectory(prefix.Path("C:\\"))[0].name, "a.txt");  // the existing name was used
}

TEST(Files, TheReadOnlyAttributeProtectsAFileAsOnWindows) {
  TempPrefix prefix;
  ASSERT_TRUE(Write(prefix.Path("C:\\ro.txt"), "keep"));
  ASSERT_TRUE(Write(prefix.Path("C:\\other.txt"), "other"));
  EXPECT_FALSE(IsReadOnly(prefix.Path("C:\\ro.txt")));
  ASSERT_TRUE(SetReadOnly(prefix.Path("C:\\RO.TXT"), true));
  EXPECT_TRUE(IsReadOnly(prefix.Path("C:\\ro.txt")));
  EXPECT_FALSE(File::Open(prefix.Path("C:\\ro.txt"), OpenMode::ReadWrite).IsOpen());
  EXPECT_FALSE(File::Open(prefix.Path("C:\\ro.txt"), OpenMode::CreateTruncate).IsOpen());
  EXPECT_FALSE(CopyFileOverwriting(prefix.Path("C:\\other.txt"), prefix.Path("C:\\ro.txt")));
  EXPECT_FALSE(DeleteFileAt(prefix.Path("C:\\ro.txt")));
  EXPECT_TRUE(File::Open(prefix.Path("C:\\ro.txt"), OpenMode::ReadShared).IsOpen());
  EXPECT_EQ(Contents(prefix.Path("C:\\ro.txt")), "keep");
  EXPECT_TRUE(SetReadOnly(prefix.Path("C:\\ro.txt"), false));
  EXPECT_FALSE(IsReadOnly(prefix.Path("C:\\ro.txt")));
  EXPECT_TRUE(DeleteFileAt(prefix.Path("C:\\ro.txt")));
  EXPECT_FALSE(SetReadOnly(prefix.Path("C:\\ro.txt"), true));
  EXPECT_FALSE(IsReadOnly(prefix.Path("C:\\ro.txt")));
}

// The seam the undo tests use for a file a running game holds: only that file (in any
// letter case) refuses deletion, with a reason of its own, and only until it is let go.
TEST(Files, AFileHeldInUseCannotBeDeletedUntilItIsLetGo) {
  TempPrefix prefix;
  ASSERT_TRUE(Write(prefix.Path("C:\\held.txt"), "held"));
  ASSERT_TRUE(Write(prefix.Path("C:\\free.txt"), "free"));
  ASSERT_FALSE(File::Open(prefix.Path("C:\\no such file.txt"), OpenMode::ReadShared).IsOpen());
  const std::string missing = LastErrorText();
  HoldFileInUse(prefix.Path("C:\\HELD.txt"));
  EXPECT_FALSE(DeleteFileAt(prefix.Path("C:\\held.txt")));
  EXPECT_NE(LastErrorText(), missing);
  EXPECT_EQ(Contents(prefix.Path("C:\\held.txt")), "held");
  EXPECT_TRUE(DeleteFileAt(prefix.Path("C:\\free.txt")));
  ReleaseFileInUse();
  EXPECT_TRUE(DeleteFileAt(prefix.Path("C:\\held.txt")));
}

TEST(Files, CopyReplacesTheTargetButNeverDestroysItsSource) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\From")));
  ASSERT_TRUE(Write(prefix.Path("C:\\From\\File.dat"), "new bytes"));
  ASSERT_TRUE(Write(prefix.Path("C:\\target.dat"), "old"));
  EXPECT_TRUE(CopyFileOverwriting(prefix.Path("C:\\from\\file.dat"), prefix.Path("C:\\TARGET.DAT")));
  EXPECT_EQ(Contents(prefix.Path("C:\\target.dat")), "new bytes");
  EXPECT_EQ(Contents(prefix.Path("C:\\From\\File.dat")), "new bytes");
  EXPECT_TRUE(CopyFileOverwriting(prefix.Path("C:\\From\\File.dat"), prefix.Path("C:\\Fresh.dat")));
  EXPECT_TRUE(fs::exists(prefix.DriveC() / "Fresh.dat"));
  EXPECT_FALSE(CopyFileOverwriting(prefix.Path("C:\\From\\File.dat"), prefix.Path("C:\\from\\FILE.DAT")));
  EXPECT_EQ(Contents(prefix.Path("C:\\From\\File.dat")), "new bytes");
  EXPECT_FALSE(CopyFileOverwriting(prefix.Path("C:\\missing.dat"), prefix.Path("C:\\x.dat")));
  EXPECT_FALSE(CopyFileOverwriting(prefix.Path("C:\\From"), prefix.Path("C:\\x.dat")));
  EXPECT_FALSE(CopyFileOverwriting(prefix.Path("C:\\From\\File.dat"), prefix.Path("C:\\nofolder\\x.dat")));
  EXPECT_FALSE(CopyFileOverwriting(prefix.Path("C:\\From\\File.dat"), prefix.Path("C:\\From")));
  EXPECT_FALSE(FileExists(prefix.Path("C:\\x.dat")));
  // No half-written copies are left beside the target.
  for (const auto& entry : ListDirectory(prefix.Path("C:\\")))
    EXPECT_NE(entry.name.rfind(".copy-", 0), 0u) << entry.name;
}

// A replacement waits for the disk or not; either way the result is the same.
TEST(Files, ReplacementsAreTheSameWhenTheyWaitForTheDiskOrNot) {
  TempPrefix prefix;
  for (const Durability durability : {Durability::Now, Durability::AtVolumeFlush}) {
    ASSERT_TRUE(Write(prefix.Path("C:\\new.tmp"), "new"));
    ASSERT_TRUE(Write(prefix.Path("C:\\old.dat"), "old"));
    EXPECT_TRUE(ReplaceFileWith(prefix.Path("C:\\new.tmp"), prefix.Path("C:\\OLD.DAT"), durability));
    EXPECT_EQ(Contents(prefix.Path("C:\\old.dat")), "new");
    EXPECT_FALSE(PathExists(prefix.Path("C:\\new.tmp")));
    ASSERT_TRUE(Write(prefix.Path("C:\\new.tmp"), "fresh"));
    EXPECT_TRUE(ReplaceFileWith(prefix.Path("C:\\new.tmp"), prefix.Path("C:\\fresh.dat"), durability));
    EXPECT_EQ(Contents(prefix.Path("C:\\fresh.dat")), "fresh");
    ASSERT_TRUE(SetReadOnly(prefix.Path("C:\\fresh.dat"), true));
    ASSERT_TRUE(Write(prefix.Path("C:\\new.tmp"), "refused"));
    EXPECT_FALSE(ReplaceFileWith(prefix.Path("C:\\new.tmp"), prefix.Path("C:\\fresh.dat"), durability));
    EXPECT_EQ(Contents(prefix.Path("C:\\fresh.dat")), "fresh");
    ASSERT_TRUE(SetReadOnly(prefix.Path("C:\\fresh.dat"), false));
    ASSERT_TRUE(DeleteFileAt(prefix.Path("C:\\fresh.dat")));
    ASSERT_TRUE(DeleteFileAt(prefix.Path("C:\\new.tmp")));
  }
  EXPECT_FALSE(FlushVolumeOf("no drive"));
}

TEST(Files, TheStateOfAPathTellsWhetherItsFolderIsThere) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\Dir")));
  ASSERT_TRUE(Write(prefix.Path("C:\\Dir\\a.txt"), "a"));
  const struct {
    std::string path;
    PathState state;
  } cases[] = {
      {prefix.Path("C:\\Dir\\A.TXT"), PathState::File},
      {prefix.Path("C:\\dir"), PathState::Directory},
      {prefix.Path("C:\\Dir\\b.txt"), PathState::MissingInFolder},
      {prefix.Path("C:\\Nowhere\\b.txt"), PathState::Missing},
      {prefix.Path("C:\\Dir\\a.txt\\b.txt"), PathState::Missing},
  };
  for (const auto& c : cases) EXPECT_EQ(StateOfPath(c.path), c.state) << c.path;
}

// Within a step's mapping scope as without: a new name is taken, an existing file is
// replaced, a folder or a read-only file in the way is refused and left as it was.
TEST(Files, AReplacementTakesANewNameReplacesAFileAndRefusesAFolder) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\Folder")));
  for (const bool scoped : {false, true}) {
    SCOPED_TRACE(scoped ? "in a scope" : "no scope");
    std::optional<PathMappingScope> scope;
    if (scoped) scope.emplace();
    ASSERT_TRUE(Write(prefix.Path("C:\\new.tmp"), "one"));
    EXPECT_TRUE(ReplaceFileWith(prefix.Path("C:\\new.tmp"), prefix.Path("C:\\Target.dat")));
    ASSERT_TRUE(Write(prefix.Path("C:\\new.tmp"), "two"));
    EXPECT_TRUE(ReplaceFileWith(prefix.Path("C:\\new.tmp"), prefix.Path("C:\\Target.dat")));
    EXPECT_EQ(Contents(prefix.Path("C:\\target.dat")), "two");
    ASSERT_TRUE(Write(prefix.Path("C:\\new.tmp"), "three"));
    EXPECT_FALSE(ReplaceFileWith(prefix.Path("C:\\new.tmp"), prefix.Path("C:\\Folder")));
    EXPECT_TRUE(DirectoryExists(prefix.Path("C:\\Folder")));
    EXPECT_EQ(Contents(prefix.Path("C:\\new.tmp")), "three");
    ASSERT_TRUE(DeleteFileAt(prefix.Path("C:\\new.tmp")));
    ASSERT_TRUE(DeleteFileAt(prefix.Path("C:\\Target.dat")));
  }
}

TEST(Files, PathExistsForFilesAndFoldersInAnyLetterCase) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\Folder")));
  ASSERT_TRUE(Write(prefix.Path("C:\\Folder\\File.txt"), "x"));
  const std::vector<std::pair<std::string, bool>> cases = {
      {"C:\\Folder", true},
      {"C:\\FOLDER\\file.TXT", true},
      {"C:\\Folder\\", true},
      {"C:\\Folder\\Other.txt", false},
      {"C:\\nothing\\File.txt", false},
  };
  for (const auto& [path, exists] : cases) EXPECT_EQ(PathExists(prefix.Path(path)), exists) << path;
}

TEST(Files, RenameNeverReplacesButMayChangeTheLetterCase) {
  TempPrefix prefix;
  ASSERT_TRUE(Write(prefix.Path("C:\\a.txt"), "a"));
  ASSERT_TRUE(Write(prefix.Path("C:\\b.txt"), "b"));
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\Sub")));
  EXPECT_FALSE(RenameFile(prefix.Path("C:\\a.txt"), prefix.Path("C:\\B.TXT")));
  EXPECT_EQ(Contents(prefix.Path("C:\\b.txt")), "b");
  EXPECT_FALSE(RenameFile(prefix.Path("C:\\missing.txt"), prefix.Path("C:\\c.txt")));
  EXPECT_TRUE(RenameFile(prefix.Path("C:\\a.txt"), prefix.Path("C:\\A.Txt")));
  EXPECT_EQ(ListDirectory(prefix.Path("C:\\"))[0].name, "A.Txt");
  EXPECT_TRUE(RenameFile(prefix.Path("C:\\a.txt"), prefix.Path("C:\\sub\\moved.txt")));
  EXPECT_EQ(Contents(prefix.Path("C:\\Sub\\Moved.txt")), "a");
  EXPECT_TRUE(RenameFile(prefix.Path("C:\\SUB"), prefix.Path("C:\\Renamed")));
  EXPECT_TRUE(FileExists(prefix.Path("C:\\renamed\\moved.txt")));
  EXPECT_FALSE(RenameFile(prefix.Path("C:\\b.txt"), prefix.Path("C:\\nofolder\\b.txt")));
}

TEST(Files, FoldersAreMadeAndRemovedOneLevelAtATime) {
  TempPrefix prefix;
  EXPECT_FALSE(MakeDirectory(prefix.Path("C:\\one\\two")));
  EXPECT_TRUE(MakeDirectory(prefix.Path("C:\\One")));
  EXPECT_FALSE(MakeDirectory(prefix.Path("C:\\ONE")));
  EXPECT_TRUE(MakeDirectory(prefix.Path("C:\\one\\Two")));
  EXPECT_TRUE(fs::is_directory(prefix.DriveC() / "One/Two"));
  EXPECT_FALSE(RemoveEmptyDirectory(prefix.Path("C:\\one")));
  EXPECT_TRUE(RemoveEmptyDirectory(prefix.Path("C:\\ONE\\TWO")));
  EXPECT_TRUE(RemoveEmptyDirectory(prefix.Path("C:\\one")));
  EXPECT_FALSE(DirectoryExists(prefix.Path("C:\\One")));
  ASSERT_TRUE(Write(prefix.Path("C:\\file.txt"), ""));
  EXPECT_FALSE(RemoveEmptyDirectory(prefix.Path("C:\\file.txt")));
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\Folder")));
  EXPECT_FALSE(DeleteFileAt(prefix.Path("C:\\Folder")));
  EXPECT_TRUE(DirectoryExists(prefix.Path("C:\\folder")));
}

TEST(Files, ListingsAreSortedWithoutRegardToCaseAndTellFoldersApart) {
  TempPrefix prefix;
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\L")));
  for (const char* name : {"b.txt", "A.txt", "C.txt", "\xE9t\xE9.txt"})
    ASSERT_TRUE(Write(std::string(prefix.Path("C:\\L\\")) + name, ""));
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\L\\a folder")));
  ASSERT_TRUE(MakeDirectory(prefix.Path("C:\\L\\link")));
  const auto entries = ListDirectory(prefix.Path("c:\\l\\"));
  std::vector<std::pair<std::string, bool>> seen;
  for (const auto& entry : entries) seen.emplace_back(entry.name, entry.isDirectory);
  const std::vector<std::pair<std::string, bool>> expected = {{"a folder", true}, {"A.txt", false},
                                                              {"b.txt", false},   {"C.txt", false},
                                                              {"link", true},     {"\xE9t\xE9.txt", false}};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(ListDirectory(prefix.Path("C:\\missing")).empty());
}

TEST(Files, WholeFilesRoundTripEveryByte) {
  TempPrefix prefix;
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  ASSERT_TRUE(Write(prefix.Path("C:\\all.bin"), all + all));
  EXPECT_EQ(Contents(prefix.Path("C:\\all.bin")), all + all);
  EXPECT_FALSE(ReadWholeFile(prefix.Path("C:\\missing.bin")));
  EXPECT_FALSE(WriteFileBytes(prefix.Path("C:\\missing\\x.bin"), "x", 1));
}

}  // namespace
}  // namespace platform
