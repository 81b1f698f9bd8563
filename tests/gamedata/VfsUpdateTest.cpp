#include <gtest/gtest.h>

#include <filesystem>

#include "GameDataTestSupport.h"
#include "VfsTestSupport.h"
#include "gamedata/SE_VFS.h"
#include "gamedata/VFS_Unit.h"
#include "platform/Errors.h"

namespace {

using namespace gamedata_test;
using vfs_test::Text;
namespace fs = std::filesystem;

class VfsUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(prefix.DriveC() / "game");
    TVFSFile::Create(first, 512, 400, 16, "first");
    TVFSFile::Create(second, 512, 400, 16, "second");
  }
  void TearDown() override { CloseArchiveAtEndOfRun(); }
  TMemoryGroupEntries Group(std::initializer_list<const char*> names, int seed = 0) {
    TMemoryGroupEntries group;
    for (const char* name : names) group.Add(name, Text(700, seed++));
    return group;
  }

  testing_support::TempPrefix prefix;
  Dialogs dialogs;
  Progress progress;
  Texts texts;
  const std::string first = prefix.Path("C:\\game\\first.vfs"), second = prefix.Path("C:\\game\\second.vfs");
};

TEST_F(VfsUpdate, StoresTheGroupWithProgressAndClosesTheArchive) {
  auto group = Group({"maps\\a.txt", "b.txt", "maps\\sub\\c.txt"});
  EXPECT_TRUE(UpdateArchiveAt(first, "first.vfs", group, true));
  EXPECT_FALSE(ArchiveIsOpen());
  EXPECT_TRUE(VerifyArchive(first).empty());
  TVFSFile archive;
  archive.Open(first, true);
  EXPECT_EQ(archive.Tree().ReadFileData(archive.Tree().FindPath("maps\\sub\\c.txt")), Text(700, 2));
  const std::vector<std::string> status = {"Opening first.vfs",
                                           "Processing first.vfs: 0 of 3 files",
                                           "Processing first.vfs: 0 of 3 files",
                                           "Processing first.vfs: 1 of 3 files",
                                           "Processing first.vfs: 2 of 3 files",
                                           "Writing header of first.vfs"};
  EXPECT_EQ(progress.status, status);
  EXPECT_EQ(ProgressCounter(), 3);
  EXPECT_EQ(progress.gauge, (std::vector<int>{2, 3}));  // 33 %, then 66 %
}

TEST_F(VfsUpdate, ArchiveLeftOpenIsClosedByTheNextUpdateOrAtTheEndOfTheRun) {
  auto one = Group({"one.txt"}), two = Group({"two.txt"}, 5);
  EXPECT_TRUE(UpdateArchiveAt(first, "first.vfs", one, false));
  EXPECT_TRUE(ArchiveIsOpen());
  EXPECT_FALSE(VerifyArchive(first).empty());  // header, digest and table not yet written
  EXPECT_TRUE(UpdateArchiveAt(second, "second.vfs", two, false));
  EXPECT_TRUE(VerifyArchive(first).empty());
  EXPECT_FALSE(VerifyArchive(second).empty());
  CloseArchiveAtEndOfRun();
  EXPECT_FALSE(ArchiveIsOpen());
  EXPECT_TRUE(VerifyArchive(second).empty());
}

TEST_F(VfsUpdate, MissingArchiveStopsTheRunButAnEmptyGroupLooksForNothing) {
  TMemoryGroupEntries none;
  EXPECT_TRUE(UpdateArchiveAt(prefix.Path("C:\\game\\missing.vfs"), "missing.vfs", none, true));
  EXPECT_TRUE(dialogs.boxes.empty());
  auto group = Group({"a.txt"});
  EXPECT_FALSE(UpdateArchiveAt(prefix.Path("C:\\game\\missing.vfs"), "missing.vfs", group, true));
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].caption, "VFS Error");
  EXPECT_EQ(dialogs.boxes[0].text, "Error: Unable to find <missing.vfs>");
  EXPECT_EQ(progress.finish, std::vector<std::string>{"Setup failed"});
}

TEST_F(VfsUpdate, AnErrorStillClosesTheArchiveWhenAskedTo) {
  class Failing : public TMemoryGroupEntries {
   public:
    std::vector<uint8_t> Content(size_t i) override {
      if (i == 1) throw platform::ESetupError("unreadable");
      return TMemoryGroupEntries::Content(i);
    }
  } group;
  group.Add("a.txt", Text(100, 1));
  group.Add("b.txt", Text(100, 2));
  EXPECT_THROW(UpdateArchiveAt(first, "first.vfs", group, true), platform::ESetupError);
  EXPECT_FALSE(ArchiveIsOpen());
  EXPECT_TRUE(VerifyArchive(first).empty());  // a.txt is in, and the archive is consistent
}

TEST_F(VfsUpdate, ReadOnlyArchiveIsMadeWritable) {
  fs::permissions(prefix.DriveC() / "game" / "first.vfs",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  auto group = Group({"a.txt"});
  EXPECT_TRUE(UpdateArchiveAt(first, "first.vfs", group, true));
  EXPECT_FALSE(platform::IsReadOnly(first));
}

}  // namespace
