#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

#include "VfsTestSupport.h"
#include "gamedata/VFS_Unit.h"
#include "platform/Errors.h"
#include "platform/Md5.h"

namespace {

using namespace vfs_test;
namespace fs = std::filesystem;

class Vfs : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(prefix.DriveC() / "game"); }
  void Make(uint32_t blockSize = 512, uint32_t blocks = 200, uint32_t roots = 8) {
    layout = {blockSize, blocks, roots};
    TVFSFile::Create(path, int32_t(blockSize), int32_t(blocks), roots, "test archive");
  }
  std::vector<uint8_t> Raw() const { return ReadHost(host); }
  std::string Name(const std::vector<uint8_t>& raw, size_t at) const {
    return std::string(reinterpret_cast<const char*>(&raw[at]),
                       strnlen(reinterpret_cast<const char*>(&raw[at]), 65));
  }

  testing_support::TempPrefix prefix;
  const std::string path = prefix.Path("C:\\game\\data.vfs");
  const fs::path host = prefix.DriveC() / "game" / "data.vfs";
  const fs::path table = prefix.DriveC() / "game" / "data.ht";
  Layout layout{};
};

TEST_F(Vfs, CreatedArchiveHasEveryBlockFreeAndAValidDigest) {
  Make(512, 100, 4);
  const auto raw = Raw();
  ASSERT_EQ(raw.size(), layout.Block(101));
  EXPECT_EQ(U32(raw, 4), 512u);
  EXPECT_EQ(U32(raw, 8), 100u);
  EXPECT_EQ(U32(raw, 12), 4u);
  EXPECT_EQ(U32(raw, 44), 256u);
  EXPECT_EQ(Name(raw, 48), "test archive");
  EXPECT_EQ(U32(raw, 304), 0u);  // blocks in use
  for (int32_t b = 1; b <= 100; ++b) EXPECT_EQ(U32(raw, layout.Link(b) + 4), 0u);
  const platform::Md5Digest digest = platform::Md5Of(raw.data() + 44, raw.size() - 44);
  EXPECT_TRUE(std::equal(digest.begin(), digest.end(), raw.begin() + 28));
  EXPECT_FALSE(fs::exists(table));
  EXPECT_TRUE(VerifyArchive(path).empty());
}

TEST_F(Vfs, PutFileCreatesTheFoldersOnItsPath) {
  Make();
  const auto data = Text(3000, 1);
  {
    TVFSFile archive;
    archive.Open(path, true);
    archive.Tree().PutFile("maps\\m1\\data.bin", data.data(), data.size());
    archive.Flush(false);
  }
  const auto raw = Raw();
  // Root slot 0: folder "maps", one record of data; inside it "m1"; inside that the file.
  EXPECT_EQ(Name(raw, layout.Root(0)), "maps");
  EXPECT_EQ(U32(raw, layout.Root(0) + 68), 2u);
  EXPECT_EQ(U32(raw, layout.Root(0) + 80), 88u);
  const size_t maps = layout.Block(int32_t(U32(raw, layout.Root(0) + 76)));
  EXPECT_EQ(Name(raw, maps), "m1");
  EXPECT_EQ(U32(raw, maps + 68), 2u);
  const size_t m1 = layout.Block(int32_t(U32(raw, maps + 76)));
  EXPECT_EQ(Name(raw, m1), "data.bin");
  EXPECT_EQ(U32(raw, m1 + 68), 9u);  // file, compressed
  EXPECT_EQ(U32(raw, m1 + 84), 3000u);
  EXPECT_EQ(Name(raw, layout.Root(1)), "");

  TVFSFile again;
  again.Open(path, true);
  const int32_t node = again.Tree().FindPath("MAPS\\M1\\DATA.BIN");
  ASSERT_GE(node, 0);
  EXPECT_EQ(again.Tree().Nodes()[size_t(node)].path, "maps\\m1\\data.bin");
  EXPECT_EQ(again.Tree().ReadFileData(node), data);
  EXPECT_EQ(again.Header().blocksInUse, 2 + int32_t(U32(raw, m1 + 80) + 511) / 512);  // two folders, the file
  again.Close();
  EXPECT_TRUE(VerifyArchive(path).empty());
}

TEST_F(Vfs, FolderPartNeedsBothADotAndABackslash) {
  Make();
  struct Case {
    const char *put, *found;
    uint32_t parentFlags;
  } cases[] = {{"readme", "readme", 0},
               {"maps\\m1", "m1", 0},
               {"docs\\guide.txt", "docs\\guide.txt", 2},
               {"a.b\\c", "a.b\\c", 2}};
  TVFSFile archive;
  archive.Open(path, true);
  for (const auto& c : cases) {
    const auto data = Text(10, 2);
    const int32_t node = archive.Tree().PutFile(c.put, data.data(), data.size());
    const auto& n = archive.Tree().Nodes()[size_t(node)];
    EXPECT_EQ(n.path, c.found) << c.put;
    EXPECT_EQ(n.parent < 0 ? 0u : archive.Tree().Nodes()[size_t(n.parent)].info.flags, c.parentFlags)
        << c.put;
  }
  EXPECT_LT(archive.Tree().FindPath("maps"), 0);  // "maps\m1" made no folder
}

TEST_F(Vfs, StorageFormsOfFiles) {
  Make(1024, 400, 8);
  TVFSFile archive;
  archive.Open(path, true);
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    uint32_t flags;
    std::vector<size_t> pieces;  // input bytes of each compressed piece
  } cases[] = {
      {"big.txt", Text(120000, 3), 9, {50000, 50000, 20000}},
      {"noise.bin", Noise(5000, 9), 1, {}},
      {"empty.txt", {}, 1, {}},
      {"small.txt", Text(100, 4), 9, {100}},
  };
  for (const auto& c : cases) {
    const int32_t node = archive.Tree().PutFile(c.name, c.data.data(), c.data.size());
    const TVFSFileInfo info = archive.Tree().Nodes()[size_t(node)].info;
    EXPECT_EQ(info.flags, c.flags) << c.name;
    EXPECT_EQ(archive.Tree().ReadFileData(node), c.data) << c.name;
    const auto stored = archive.ReadChain(info.firstBlock, info.storedSize, c.name);
    if (c.flags == 1) {
      EXPECT_EQ(info.fullSize, 0) << c.name;
      EXPECT_EQ(stored, c.data);
      EXPECT_EQ(archive.ChainOf(info.firstBlock, c.name).size(),
                std::max<size_t>(1, (c.data.size() + 1023) / 1024));
      continue;
    }
    EXPECT_EQ(info.fullSize, int32_t(c.data.size()));
    size_t at = 0;
    for (size_t piece : c.pieces) {  // u32 length, then a zlib stream of that piece
      const uint32_t length = U32(stored, at);
      std::vector<uint8_t> out(piece + 10);
      uLongf outLength = uLongf(out.size());
      ASSERT_EQ(uncompress(out.data(), &outLength, stored.data() + at + 4, length), Z_OK);
      EXPECT_EQ(outLength, piece);
      at += 4 + length;
    }
    EXPECT_EQ(at, stored.size()) << c.name;
  }
  const int32_t empty = archive.Tree().FindPath("empty.txt");
  EXPECT_EQ(archive.Tree().Nodes()[size_t(empty)].info.storedSize, 0);
  EXPECT_EQ(archive.ChainOf(archive.Tree().Nodes()[size_t(empty)].info.firstBlock, "empty").size(), 1u);
}

TEST_F(Vfs, ReplacingAFileFreesItsBlocksAndRewritesTheFolderInPlace) {
  Make(512, 300, 4);
  TVFSFile archive;
  archive.Open(path, true);
  const auto first = Noise(4000, 1), second = Noise(1500, 2);
  archive.Tree().PutFile("sub\\a.bin", first.data(), first.size());
  archive.Tree().PutFile("sub\\b.bin", first.data(), first.size());
  const int32_t folder = archive.Tree().FindPath("sub");
  const int32_t folderBlock = archive.Tree().Nodes()[size_t(folder)].info.firstBlock;
  const int32_t inUse = archive.Header().blocksInUse;
  const int32_t oldFirst =
      archive.Tree().Nodes()[size_t(archive.Tree().FindPath("sub\\a.bin"))].info.firstBlock;
  archive.Tree().PutFile("SUB\\A.BIN", second.data(), second.size());
  EXPECT_EQ(archive.Tree().Nodes()[size_t(folder)].info.firstBlock, folderBlock);  // same size: in place
  EXPECT_EQ(archive.Header().blocksInUse, inUse - 8 + 3);
  const int32_t a = archive.Tree().FindPath("sub\\a.bin");
  EXPECT_EQ(archive.Tree().Nodes()[size_t(a)].info.firstBlock, oldFirst);  // freed blocks are reused
  EXPECT_EQ(archive.Tree().Nodes()[size_t(a)].info.name, "A.BIN");
  EXPECT_EQ(archive.Tree().ReadFileData(a), second);
  archive.Flush(false);
  archive.Close();
  EXPECT_TRUE(VerifyArchive(path).empty());
  TVFSFile again;
  again.Open(path, true);
  EXPECT_EQ(again.Tree().Nodes().size(), 3u);
}

TEST_F(Vfs, LookupTableListsEveryFileSortedAndMarksCollisions) {
  Make(256, 300, 16);
  ASSERT_EQ(HashKey("lt1cz8"), HashKey("gkrgts"));  // two root names with one hash
  {
    TVFSFile archive;
    archive.Open(path, true);
    for (const char* name : {"maps\\m1\\data.bin", "lt1cz8", "readme.txt", "gkrgts", "maps\\a.txt"}) {
      const auto data = Text(50, 5);
      archive.Tree().PutFile(name, data.data(), data.size());
    }
    archive.Flush(false);
  }
  const auto raw = ReadHost(table);
  ASSERT_EQ(U32(raw, 0), 4u);  // five files, one collision
  ASSERT_EQ(raw.size(), 4 + 4 * 21u);
  std::vector<uint32_t> hashes;
  for (size_t i = 0; i < 4; ++i) hashes.push_back(U32(raw, 4 + 21 * i));
  EXPECT_TRUE(std::is_sorted(hashes.begin(), hashes.end()));
  for (const char* key : {"maps\\m1/data.bin", "readme.txt", "maps/a.txt", "lt1cz8"})
    EXPECT_NE(std::find(hashes.begin(), hashes.end(), HashKey(key)), hashes.end()) << key;
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(raw[4 + 21 * i + 20], hashes[i] == HashKey("lt1cz8") ? 0 : 1);
  EXPECT_TRUE(VerifyArchive(path).empty());

  // Without the full tree the table is kept as it was read, and written back.
  vfs_test::WriteHost(table, {1, 0, 0, 0, 1, 2, 3, 4, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1});
  {
    TVFSFile archive;
    archive.Open(path, false);
    EXPECT_TRUE(archive.HashFile().Loaded());
    EXPECT_EQ(archive.HashFile().Records().at(0).hash, 0x04030201u);
    archive.Flush(false);
  }
  EXPECT_EQ(ReadHost(table).size(), 25u);
  EXPECT_FALSE(VerifyArchive(path).empty());  // the kept table is not the rebuilt one

  // An archive whose last file is gone has no table.
  TVFSFile archive;
  archive.Open(path, true);
  for (const char* name : {"maps", "lt1cz8", "readme.txt", "gkrgts"}) archive.Tree().DeletePath(name, false);
  archive.Flush(false);
  EXPECT_FALSE(fs::exists(table));
  archive.Close();
  EXPECT_TRUE(VerifyArchive(path).empty());
}

TEST_F(Vfs, FullArchiveRefusesAFileAndKeepsTheOneItWouldReplace) {
  Make(512, 12, 2);
  TVFSFile archive;
  archive.Open(path, true);
  const auto small = Noise(2000, 1), big = Noise(4000, 2);
  archive.Tree().PutFile("a.bin", small.data(), small.size());  // 4 blocks
  archive.Tree().PutFile("b.bin", small.data(), small.size());  // 4 blocks, 4 left
  try {
    archive.Tree().PutFile("a.bin", Noise(5000, 3).data(), 5000);  // 10 blocks: no room
    FAIL() << "no error";
  } catch (const platform::ESetupError& error) {
    EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find("no free block"), std::string::npos) << error.what();
  }
  EXPECT_EQ(archive.Tree().ReadFileData(archive.Tree().FindPath("a.bin")), small);
  archive.Tree().PutFile("a.bin", big.data(), big.size());  // 8 blocks: fits once a.bin is freed
  EXPECT_EQ(archive.FreeBlockCount(), 0);
  EXPECT_THROW(archive.Tree().PutFile("c.bin", small.data(), 10), platform::ESetupError);  // no root slot
  archive.Flush(false);
  archive.Close();
  EXPECT_TRUE(VerifyArchive(path).empty());
}

TEST_F(Vfs, DamagedArchivesAreRefusedWithTheirName) {
  Make(256, 20, 4);
  {
    TVFSFile archive;
    archive.Open(path, true);
    const auto data = Text(40, 1);
    archive.Tree().PutFile("dir\\file.txt", data.data(), data.size());
    archive.Flush(false);
  }
  const auto good = Raw();
  const int32_t dirBlock = int32_t(U32(good, layout.Root(0) + 76));
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
    const char* expect;
  } cases[] = {
      {"chain loops", layout.Link(dirBlock) + 4, uint32_t(dirBlock), "loops"},
      {"chain leaves the table", layout.Link(dirBlock) + 4, 999, "outside"},
      {"chain runs into a free block", layout.Link(dirBlock) + 4, 20, "free block"},
      {"folder data not whole records", layout.Root(0) + 80, 87, "88-byte"},
      {"information length too small", 44, 100, "damaged header"},
      {"tables past the end", 8, 100000, "shorter"},
  };
  for (const auto& c : cases) {
    auto bad = good;
    Put32(bad, c.at, c.value);
    WriteHost(host, bad);
    TVFSFile archive;
    try {
      archive.Open(path, true);
      FAIL() << c.what;
    } catch (const platform::ESetupError& error) {
      const std::string text = error.what();
      EXPECT_NE(text.find("Archive " + path), std::string::npos) << text;
      EXPECT_NE(text.find(c.expect), std::string::npos) << c.what << ": " << text;
    }
    EXPECT_FALSE(VerifyArchive(path).empty()) << c.what;
  }
}

TEST_F(Vfs, AFolderThatHoldsItselfIsRefused) {
  Make(256, 20, 4);
  {
    TVFSFile archive;
    archive.Open(path, true);
    const auto data = Text(40, 1);
    archive.Tree().PutFile("dir\\sub\\file.txt", data.data(), data.size());
    archive.Flush(false);
  }
  auto raw = Raw();
  const int32_t dirBlock = int32_t(U32(raw, layout.Root(0) + 76));
  Put32(raw, layout.Block(dirBlock) + 76, uint32_t(dirBlock));  // "sub" points at dir's own block
  WriteHost(host, raw);
  TVFSFile archive;
  EXPECT_THROW(archive.Open(path, true), platform::ESetupError);
}

TEST_F(Vfs, VerifyFindsStaleCountsAndDigests) {
  Make(256, 20, 4);
  {
    TVFSFile archive;
    archive.Open(path, true);
    const auto data = Text(40, 1);
    archive.Tree().PutFile("file.txt", data.data(), data.size());
    archive.Flush(false);
  }
  // Blocks in use (after the 256 bytes of information) and the lookup table gone stale.
  std::vector<uint8_t> raw = Raw();
  Put32(raw, 48 + 256, U32(raw, 48 + 256) + 3);
  WriteHost(host, raw);
  fs::remove(table);
  const auto findings = VerifyArchive(path);
  ASSERT_EQ(findings.size(), 3u);
  EXPECT_EQ(findings[0].rfind("digest\t", 0), 0u);
  EXPECT_EQ(findings[1].rfind("blocks-in-use\t", 0), 0u);
  EXPECT_EQ(findings[2].rfind("lookup-table\t", 0), 0u);
}

TEST_F(Vfs, AnUpdateClosedWithoutFlushLeavesTheArchiveAsItWas) {
  Make(256, 20, 4);
  const std::vector<uint8_t> before = Raw();
  {
    TVFSFile archive;
    archive.Open(path, true);
    const auto data = Text(3000, 1);  // through free blocks, tables collected
    archive.Tree().PutFile("file.txt", data.data(), data.size());
  }
  EXPECT_TRUE(VerifyArchive(path).empty());
  EXPECT_FALSE(fs::exists(host.string() + "-journal"));
  TVFSFile archive;
  archive.Open(path, true);
  EXPECT_EQ(archive.Tree().FindPath("file.txt"), -1);
  EXPECT_EQ(archive.Header().blocksInUse, 0);
  // Only the free blocks that the update wrote may differ.
  const std::vector<uint8_t> after = Raw();
  ASSERT_EQ(after.size(), before.size());
  const size_t data = after.size() - 20 * 256;
  EXPECT_TRUE(std::equal(before.begin() + 44, before.begin() + long(data), after.begin() + 44));
}

std::string ManyPath(int i, bool upper) {
  char path[64];
  std::snprintf(path, sizeof path, upper ? "D%d\\S%d\\F%d.DAT" : "d%d\\s%d\\f%d.dat", i % 40, i % 7, i);
  return path;
}

TEST_F(Vfs, ManyFilesAcrossFoldersStayFindable) {
  Make(512, 6000, 64);
  TVFSFile archive;
  archive.Open(path, true);
  for (int i = 0; i < 2000; ++i) {
    const auto data = Text(100 + size_t(i % 50), i);
    archive.Tree().PutFile(ManyPath(i, false), data.data(), data.size());
  }
  archive.Flush(false);
  archive.Close();
  EXPECT_TRUE(VerifyArchive(path).empty());
  archive.Open(path, true);
  for (int i = 0; i < 2000; i += 97) {
    const int32_t node = archive.Tree().FindPath(ManyPath(i, true));
    ASSERT_GE(node, 0) << i;
    EXPECT_EQ(archive.Tree().ReadFileData(node), Text(100 + size_t(i % 50), i));
  }
}

}  // namespace
