// The package's byte-level pieces: header, table records, names, checksum, streams.
#include <gtest/gtest.h>

#include <cstring>

#include "package/CRC.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_ZStream.h"
#include "platform/Errors.h"
#include "support/PakBytes.h"

namespace {

using testing_support::Put16;
using testing_support::Put32;

TSetupHeader HeaderOf(const Bytes& package) { return ParseSetupHeader(package.data() + package.size() - 16); }

std::vector<TPakFile> ParseBytes(const Bytes& bytes, size_t count, bool* complete) {
  size_t at = 0;
  return ParseEntryTable(
      [&](uint8_t* into, size_t n) {
        const size_t got = std::min(n, bytes.size() - at);
        if (got) std::memcpy(into, bytes.data() + at, got);  // an empty package has no pointer
        at += got;
        return got;
      },
      count, complete);
}

TEST(PakBytes, HeaderFieldsAreLittleEndianAtFixedPlaces) {
  TSetupHeader header;
  header.ID = {'Z', 'T', 'P', 'F'};
  header.Version = 1;
  header.FileCount = 25;
  header.PakStart = 0x00012345;
  header.TableOffset = 0x89ABCDEF;
  Bytes bytes;
  AppendSetupHeader(bytes, header);
  EXPECT_EQ(bytes, (Bytes{'Z', 'T', 'P', 'F', 1, 0, 25, 0, 0x45, 0x23, 0x01, 0, 0xEF, 0xCD, 0xAB, 0x89}));
  const TSetupHeader back = ParseSetupHeader(bytes.data());
  EXPECT_TRUE(back.IsPackage());
  EXPECT_EQ(back.FileCount, 25);
  EXPECT_EQ(back.PakStart, 0x12345u);
  EXPECT_EQ(back.TableOffset, 0x89ABCDEFu);
  bytes[3] = 'X';
  EXPECT_FALSE(ParseSetupHeader(bytes.data()).IsPackage());
}

TEST(PakBytes, TableRecordsRoundTripAndATruncatedTableKeepsWholeRecords) {
  TPakFile a;
  a.Name = "SetupInfo";
  a.CRC = 0xDEADBEEF;
  a.Offset = 100;
  a.CompSize = 20;
  a.OrigSize = 30;
  a.Group = 0;
  TPakFile b;
  b.Name = "data\\caf\xE9.txt";
  b.OrigSize = 76;
  b.Group = 2;
  Bytes table;
  AppendEntryRecord(table, a);
  AppendEntryRecord(table, b);
  EXPECT_EQ(table.size(), 2 + 9 + 18 + 2 + 13 + 18u);
  Bytes expectedA = {9, 0, 'S', 'e', 't', 'u', 'p', 'I', 'n', 'f', 'o'};
  Put32(expectedA, 0xDEADBEEF);
  Put32(expectedA, 100);
  Put32(expectedA, 20);
  Put32(expectedA, 30);
  Put16(expectedA, 0);
  EXPECT_TRUE(std::equal(expectedA.begin(), expectedA.end(), table.begin()));

  bool complete = false;
  auto entries = ParseBytes(table, 2, &complete);
  EXPECT_TRUE(complete);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].Name, b.Name);
  EXPECT_EQ(entries[1].OrigSize, 76u);
  EXPECT_EQ(entries[1].Group, 2);
  EXPECT_EQ(entries[0].CRC, 0xDEADBEEFu);

  for (size_t cut : {table.size() - 1, size_t{29} + 5, size_t{29}, size_t{1}, size_t{0}}) {
    entries = ParseBytes(Bytes(table.begin(), table.begin() + cut), 2, &complete);
    EXPECT_FALSE(complete) << cut;
    EXPECT_EQ(entries.size(), cut >= 29 ? 1u : 0u) << cut;
  }
  entries = ParseBytes(table, 1, &complete);
  EXPECT_TRUE(complete);
  EXPECT_EQ(entries.size(), 1u);
}

TEST(PakBytes, EntrySizesDecideHowTheyAreStored) {
  struct Case {
    uint32_t compSize, origSize, storedLength;
    bool large;
  } cases[] = {
      {0, 76, 76, false},
      {40, 76, 40, false},
      {0, 0, 0, false},
      {12, 0, 12, false},
      {0, 73400319, 73400319, false},
      {0, 73400320, 73400320, true},
  };
  for (const auto& c : cases) {
    TPakFile e;
    e.CompSize = c.compSize;
    e.OrigSize = c.origSize;
    EXPECT_EQ(e.StoredLength(), c.storedLength);
    EXPECT_EQ(e.IsLarge(), c.large);
  }
}

TEST(PakBytes, UnsafeEntryNames) {
  struct Case {
    const char* name;
    bool safe;
  } cases[] = {
      {"readme.txt", true},
      {"data\\maps\\a.map", true},
      {"a/b.txt", true},
      {".\\a.txt", true},
      {"a..b", true},
      {"..a", true},
      {"..\\..\\x.dll", false},
      {"a\\..\\..\\x", false},
      {"C:\\x", false},
      {"\\x", false},
      {"/etc/passwd", false},
      {"a\\..", false},
      {"a:stream", false},
      {"", false},
      {"..", false},
      {"a\\...\\b", false},
      {"../x", false},
      {"a\\. .\\b", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSafeEntryName(c.name), c.safe) << c.name;
}

TEST(PakBytes, Crc32IsTheZlibChecksum) {
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32("", 0), 0u);
  EXPECT_EQ(Crc32("6789", 4, Crc32("12345", 5)), 0xCBF43926u);
}

TEST(PakBytes, StreamsInflateToTheirExactLengthOrSaySo) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i % 37) + "\n";
  const auto* data = reinterpret_cast<const uint8_t*>(text.data());
  const Bytes stream = CompressZlib(data, text.size());
  EXPECT_LT(stream.size(), text.size());
  EXPECT_EQ(stream[0], 0x78);  // a zlib header

  TInflated ok = InflateZlib(stream.data(), stream.size(), text.size());
  EXPECT_TRUE(ok.ok());
  EXPECT_EQ(std::string(ok.data.begin(), ok.data.end()), text);

  TInflated shorter = InflateZlib(stream.data(), stream.size(), text.size() + 10);
  EXPECT_FALSE(shorter.ok());
  EXPECT_EQ(shorter.length, text.size());
  EXPECT_TRUE(shorter.data.empty());

  TInflated longer = InflateZlib(stream.data(), stream.size(), 100);
  EXPECT_FALSE(longer.ok());
  EXPECT_EQ(longer.length, text.size());

  // A length read from a damaged table does not decide the memory taken.
  TInflated huge = InflateZlib(stream.data(), stream.size(), 0xFFFFFFFFu);
  EXPECT_EQ(huge.length, text.size());

  const Bytes empty = CompressZlib(nullptr, 0);
  EXPECT_TRUE(InflateZlib(empty.data(), empty.size(), 0).ok());
}

TEST(PakBytes, RejectedStreamsRaiseError) {
  const std::string text(5000, 'a');
  Bytes stream = CompressZlib(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  const Bytes garbage = {1, 2, 3, 4, 5, 6, 7, 8};
  const Bytes truncated(stream.begin(), stream.begin() + stream.size() / 2);
  for (const Bytes* bad : {&garbage, &truncated}) {
    try {
      InflateZlib(bad->data(), bad->size(), text.size());
      ADD_FAILURE() << "accepted";
    } catch (const platform::ESetupError& e) {
      EXPECT_STREQ(e.what(), "error");
    }
  }
}

TEST(PakBytes, HandBuiltPackagesPutTheTableAfterTheData) {
  using namespace testing_support;
  const Bytes host = {'M', 'Z', 0, 0};
  const Bytes package = BuildPackage({StoredEntry("a", "xyz", 1)}, host);
  const TSetupHeader header = HeaderOf(package);
  EXPECT_EQ(header.PakStart, 4u);
  EXPECT_EQ(header.TableOffset, 7u);
  EXPECT_EQ(package.size(), 4 + 3 + (2 + 1 + 18) + 16u);
}

}  // namespace
