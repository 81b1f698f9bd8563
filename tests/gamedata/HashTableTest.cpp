#include <gtest/gtest.h>

#include <random>

#include "gamedata/VFS_Unit.h"

namespace {

TEST(PathHash, KeysUseASlashBeforeTheNameAndKeepLetterCase) {
  struct Case {
    const char *path, *name, *key;
  } cases[] = {{"abc", "abc", "abc"},
               {"maps\\a.txt", "a.txt", "maps/a.txt"},
               {"maps\\m1\\data.bin", "data.bin", "maps\\m1/data.bin"},
               {"Maps\\A.TXT", "A.TXT", "Maps/A.TXT"},
               {"x\\b", "b", "x/b"},
               {"\\b", "b", "b"}};  // a one-character prefix is not a folder part
  for (const auto& c : cases) EXPECT_EQ(PathHash(c.path, c.name), HashKey(c.key)) << c.path;
  EXPECT_EQ(HashKey("abc"), 807794786u);
  EXPECT_EQ(HashKey(""), 0u);
  EXPECT_NE(HashKey("A.txt"), HashKey("a.txt"));
}

// The table as built by inserting one record after another into a sorted array of
// slots, an empty slot having hash 0 (valid for non-zero hashes).
std::vector<TVFSHashRecord> InsertOneByOne(const std::vector<TVFSHashRecord>& files) {
  std::vector<TVFSHashRecord> slots(files.size());
  size_t count = 0;
  for (TVFSHashRecord r : files) {
    r.unique = 1;
    size_t i = 0;
    for (; i < slots.size(); ++i) {
      if (slots[i].hash == r.hash) {
        slots[i].unique = 0;
        break;
      }
      if (slots[i].hash > r.hash || slots[i].hash == 0) {
        slots.insert(slots.begin() + long(i), r);
        slots.pop_back();
        ++count;
        break;
      }
    }
  }
  slots.resize(count);
  return slots;
}

TEST(BuildHashRecords, SortsLikeInsertionAndMarksCollisions) {
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    std::vector<TVFSHashRecord> files;
    const int n = 1 + round * 3;
    for (int i = 0; i < n; ++i)
      files.push_back({uint32_t(1 + random() % uint32_t(n * 2)), uint32_t(1 + 8 * (random() % 2)),
                       int32_t(random() % 999), int32_t(random() % 999), i + 1, 1});
    const auto built = BuildHashRecords(files);
    EXPECT_EQ(EncodeHashTable(built), EncodeHashTable(InsertOneByOne(files))) << round;
  }
}

TEST(BuildHashRecords, HashZeroIsPlacedLikeAnyOther) {
  const std::vector<TVFSHashRecord> files = {
      {5, 1, 1, 0, 1, 1}, {0, 1, 2, 0, 2, 1}, {3, 9, 3, 4, 3, 1}, {5, 1, 4, 0, 4, 1}};
  const auto table = BuildHashRecords(files);
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0].hash, 0u);
  EXPECT_EQ(table[0].firstBlock, 2);
  EXPECT_EQ(table[0].unique, 1);
  EXPECT_EQ(table[2].firstBlock, 1);  // the first of the two files with hash 5 stays
  EXPECT_EQ(table[2].unique, 0);
}

TEST(HashTableFile, EncodingIsByteExactAndDecodingChecksTheCount) {
  const std::vector<TVFSHashRecord> records = {{0x01020304, 9, 10, 20, 3, 1}};
  const auto bytes = EncodeHashTable(records);
  const std::vector<uint8_t> expected = {1, 0, 0, 0,  4, 3, 2, 1, 9, 0, 0, 0, 10,
                                         0, 0, 0, 20, 0, 0, 0, 3, 0, 0, 0, 1};
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(DecodeHashTable(bytes)->at(0).fullSize, 20);
  auto cut = bytes;
  cut.pop_back();
  EXPECT_FALSE(DecodeHashTable(cut));
  EXPECT_EQ(HashTablePath("C:\\Game\\data.vfs"), "C:\\Game\\data.ht");
  EXPECT_EQ(HashTablePath("C:\\Game.d\\archive"), "C:\\Game.d\\archive.ht");
  EXPECT_EQ(HashTablePath("a.b.c"), "a.b.ht");
}

}  // namespace
