// Packages in the extended layout with zstd solid blocks: packing on any number of
// workers gives the same bytes; reading, checking, keeping and extracting give back
// every entry; damage anywhere is found and named; a layout this program does not
// know is told apart from a damaged one.
#include <gtest/gtest.h>
// The frame header's window, which only zstd's advanced interface reads.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>

#include <cstring>
#include <functional>
#include <optional>
#include <random>

#include "lang/ZTI_Language.h"
#include "package/CRC.h"
#include "package/ZTI_PakExtended.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_PakTableFrame.h"
#include "package/ZTI_PakVerify.h"
#include "package/ZTI_SolidPacker.h"
#include "package/ZTI_ZstdFrames.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/LittleEndian.h"
#include "support/LanguageBytes.h"
#include "support/RecordingHooks.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;

Bytes Text(size_t length, int seed) {
  static const char* words[] = {"sprite ", "map ", "level=", "unit ", "\r\n", "door ", "0.5 ", "[section]"};
  std::mt19937 rng(seed);
  Bytes out;
  while (out.size() < length) {
    const char* w = words[rng() % 8];
    out.insert(out.end(), w, w + std::strlen(w));
  }
  out.resize(length);
  return out;
}

Bytes Noise(size_t length, int seed) {
  std::mt19937 rng(seed);
  Bytes out(length);
  for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

// Where the locator and the table of an extended package lie, and the package with
// another table (and Required bits) in place of its own.
struct TableAt {
  explicit TableAt(const Bytes& package)
      : locator(package.size() - kSetupHeaderSize - kLocatorSize),
        table(platform::DecodeFixed64(package.data() + locator + 8)),
        required(platform::DecodeFixed16(package.data() + locator + 4)) {}
  Bytes Table(const Bytes& package) const {
    return Bytes(package.begin() + static_cast<ptrdiff_t>(table),
                 package.begin() + static_cast<ptrdiff_t>(locator));
  }
  Bytes With(const Bytes& package, const Bytes& newTable, uint16_t newRequired) const {
    Bytes out(package.begin(), package.begin() + static_cast<ptrdiff_t>(table));
    out.insert(out.end(), newTable.begin(), newTable.end());
    AppendLocator(out, {newRequired, table, newTable.size(), Crc32(newTable.data(), newTable.size())});
    const uint64_t locatorAt = table + newTable.size();
    out.insert(out.end(), package.end() - static_cast<ptrdiff_t>(kSetupHeaderSize), package.end());
    platform::EncodeFixed32(out.data() + out.size() - 4, static_cast<uint32_t>(locatorAt));
    return out;
  }
  size_t locator;
  uint64_t table;
  uint16_t required;
};

// The package as an older packer of the same layout wrote it: the table plain.
Bytes WithPlainTable(const Bytes& package) {
  const TableAt at(package);
  if (!(at.required & kZstdTable)) return package;
  const std::optional<Bytes> plain = DecompressTable(at.Table(package));
  EXPECT_TRUE(plain);
  return at.With(package, plain.value_or(Bytes()), at.required & ~kZstdTable);
}

class PakSolid : public ::testing::Test {
 protected:
  void SetUp() override { UseEnglishStatusTexts(); }
  void TearDown() override { Languages() = TLanguages(); }

  std::string Path(const std::string& name = "setup.pak") const { return prefix.Path("C:\\" + name); }

  // Small text entries of two groups, small noise (in the blocks with them), an empty
  // entry, an entry longer than a block, which runs over several blocks, and noise
  // longer than a block (stored as it is, in stretches).
  void Plan() {
    contents = {Text(300, 1), Text(5000, 2), Noise(3000, 3), Bytes(),        Text(20000, 4),
                Text(700, 5), Noise(900, 6), Text(100, 7),   Noise(20000, 8)};
    UseContents({0, 1, 1, 1, 1, 2, 2, 2, 2});
  }

  // The sources of contents, "e0.dat", "e1.dat" ..., in the groups given (else group 1).
  void UseContents(const std::vector<uint16_t>& groups = {}) {
    sources.clear();
    for (size_t i = 0; i < contents.size(); ++i)
      sources.push_back({"e" + std::to_string(i) + ".dat", "", &contents[i],
                         i < groups.size() ? groups[i] : uint16_t(1), contents[i].size()});
  }

  // The package's bytes as packed with the options.
  Bytes PackWith(const TSolidOptions& options, const std::string& path) {
    TPak pak;
    pak.Create(path, false, true);
    PackSolid(pak, sources, options, nullptr);
    EXPECT_TRUE(pak.WriteExtendedTable());
    pak.Close();
    return platform::ReadWholeFile(path).value();
  }

  Bytes Pack(unsigned workers, const std::string& path) {
    TPak pak;
    pak.Create(path, false, true);
    std::vector<size_t> progress;
    PackSolid(pak, sources, {workers, kBlock, 3}, [&](size_t i) { progress.push_back(i); });
    EXPECT_TRUE(pak.WriteExtendedTable());
    pak.Close();
    EXPECT_EQ(progress.size(), sources.size());
    for (size_t i = 0; i < progress.size(); ++i) EXPECT_EQ(progress[i], i);
    return platform::ReadWholeFile(path).value();
  }

  static constexpr uint64_t kBlock = 8192;
  std::vector<Bytes> contents;
  std::vector<TSolidSource> sources;
  TempPrefix prefix;
};

TEST_F(PakSolid, PackingGivesTheSameBytesWithAnyNumberOfWorkers) {
  Plan();
  const Bytes one = Pack(1, Path("one.pak"));
  for (const unsigned workers : {2u, 5u}) EXPECT_EQ(Pack(workers, Path("n.pak")), one) << workers;
}

TEST_F(PakSolid, EveryEntryReadsBackWithItsCompression) {
  Plan();
  Pack(2, Path());
  TPak pak;
  pak.Create(Path(), false, false);
  ASSERT_TRUE(pak.Extended());
  ASSERT_TRUE(pak.TableComplete());
  EXPECT_FALSE(pak.MadeByNewerTool());
  ASSERT_EQ(pak.Count(), contents.size());
  EXPECT_EQ(pak.DeclaredCount(), contents.size());
  EXPECT_EQ(pak.Header().FileCount, 0) << "readers of the first layout find no entries";
  const TCompression expected[] = {
      TCompression::ZstdBlocks, TCompression::ZstdBlocks, TCompression::ZstdBlocks,
      TCompression::Stored,     TCompression::ZstdBlocks, TCompression::ZstdBlocks,
      TCompression::ZstdBlocks, TCompression::ZstdBlocks, TCompression::Stored};
  for (size_t i = 0; i < contents.size(); ++i) {
    const TPakFile& e = pak.Entries()[i];
    EXPECT_EQ(e.Method(), expected[i]) << i;
    EXPECT_EQ(e.OrigSize, contents[i].size()) << i;
    if (contents[i].empty()) continue;
    EXPECT_EQ(e.CRC, Crc32(contents[i].data(), contents[i].size())) << i;
    EXPECT_EQ(pak.ReadEntry(static_cast<int>(i)), contents[i]) << i;
  }
  // Groups never share a block, and the 20000-byte entry runs over three.
  EXPECT_NE(pak.Entries()[1].Block, pak.Entries()[5].Block);
  EXPECT_EQ(pak.Entries()[2].Block, pak.Entries()[1].Block) << "small noise shares the block of the text";
  EXPECT_GE(pak.Blocks().size(), 5u);
  for (const TPakBlock& block : pak.Blocks()) EXPECT_LE(block.ContentSize, kBlock);
}

TEST_F(PakSolid, VerificationKeepsAndExtractionWritesEveryEntryInOrder) {
  Plan();
  Pack(1, Path());
  for (const unsigned workers : {1u, 2u, 5u}) {
    TPak pak;
    pak.Create(Path(), false, false);
    std::vector<int> order;
    VerifyEntries(pak, {workers, &pak.VerifiedContents(), UINT64_MAX},
                  [&](int index, const TEntryVerdict& v) {
                    EXPECT_TRUE(v.Passes) << index << ": " << v.Problem;
                    order.push_back(index);
                    return true;
                  });
    ASSERT_EQ(order.size(), contents.size()) << workers;
    for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], static_cast<int>(i));
    EXPECT_TRUE(pak.VerifiedContents().Holds(1)) << "a small entry in a block is kept";
    EXPECT_TRUE(pak.VerifiedContents().Holds(4)) << "so is one over three blocks, put together";
    RecordingHooks hooks;
    pak.ExtractGroup(prefix.Path("C:\\out"), 1, hooks);
    RecordingHooks second;
    pak.ExtractGroup(prefix.Path("C:\\out"), 2, second);
    ASSERT_EQ(hooks.written.size(), 4u) << workers;
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(hooks.written[k], contents[1 + k]) << workers << " " << k;
    ASSERT_EQ(second.written.size(), 4u);
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(second.written[k], contents[5 + k]) << workers << " " << k;
  }
}

// Flips one byte of the package where place says, and checks which entry the check
// fails first (or that the table is refused).
TEST_F(PakSolid, DamageIsFoundAtTheEntryItHits) {
  Plan();
  const Bytes good = Pack(1, Path("good.pak"));
  TPak reference;
  reference.Create(Path("good.pak"), false, false);
  const TPakBlock& firstBlockOfGroup1 = reference.Blocks()[reference.Entries()[1].Block];
  const TPakBlock& lastBlockOfLongEntry = reference.Blocks()[reference.Entries()[4].Block + 2];
  const TPakBlock& blockOfGroup2 = reference.Blocks()[reference.Entries()[5].Block];
  ASSERT_EQ(reference.Entries()[7].Block, reference.Entries()[5].Block) << "noise shares their block";
  ASSERT_EQ(reference.Entries()[6].Block, reference.Entries()[5].Block);
  struct Case {
    const char* what;
    uint64_t position;
    int firstBad;  // -1: the table is refused
  };
  const std::vector<Case> cases = {
      {"a block's frame", firstBlockOfGroup1.Offset + firstBlockOfGroup1.StoredSize / 2, 1},
      {"an entry stored as it is, in its second stretch", reference.Entries()[8].Offset + 9000, 8},
      {"the last block of an entry over three", lastBlockOfLongEntry.Offset + 5, 4},
      {"a block of noise and text", blockOfGroup2.Offset + 3, 5},
      {"the table", good.size() - kSetupHeaderSize - kLocatorSize - 10, -1},
  };
  for (const Case& c : cases) {
    Bytes bad = good;
    bad[c.position] ^= 0x40;
    ASSERT_TRUE(platform::WriteFileBytes(Path("bad.pak"), bad.data(), bad.size()));
    TPak pak;
    pak.Create(Path("bad.pak"), false, false);
    if (c.firstBad < 0) {
      EXPECT_FALSE(pak.TableComplete()) << c.what;
      EXPECT_EQ(pak.Count(), 0u) << c.what;
      EXPECT_FALSE(pak.MadeByNewerTool()) << c.what;
      continue;
    }
    int firstBad = -1;
    VerifyEntries(pak, {2}, [&](int index, const TEntryVerdict& v) {
      if (v.Passes) return true;
      firstBad = index;
      return false;
    });
    EXPECT_EQ(firstBad, c.firstBad) << c.what;
  }
}

TEST_F(PakSolid, ALayoutOrMethodThisProgramDoesNotKnowIsANewerToolsNotDamage) {
  Plan();
  const Bytes good = WithPlainTable(Pack(1, Path("packed.pak")));
  ASSERT_TRUE(platform::WriteFileBytes(Path("good.pak"), good.data(), good.size()));
  const size_t headerAt = good.size() - kSetupHeaderSize;
  const size_t locatorAt = headerAt - kLocatorSize;
  const uint64_t tableAt = platform::DecodeFixed64(good.data() + locatorAt + 8);
  // The first entry's method byte: after PakStart, the part and block lists and the
  // entry count, the name and the group.
  TPak reference;
  reference.Create(Path("good.pak"), false, false);
  const size_t blocks = reference.Blocks().size();
  const size_t methodAt = tableAt + 8 + 4 + 4 + blocks * 29 + 4 + 2 + reference.Entries()[0].Name.size() + 2;
  const auto recrc = [&](Bytes& bytes) {
    const uint32_t crc = Crc32(bytes.data() + tableAt, locatorAt - tableAt);
    platform::EncodeFixed32(bytes.data() + locatorAt + 24, crc);
  };
  struct Case {
    const char* what;
    std::function<void(Bytes&)> change;
  };
  const std::vector<Case> cases = {
      {"header version 3", [&](Bytes& b) { b[headerAt + 4] = 3; }},
      {"a required feature", [&](Bytes& b) { b[locatorAt + 4] = 2; }},
      {"a required feature besides the table's frame", [&](Bytes& b) { b[locatorAt + 5] = 0x80; }},
      {"an entry's method 9",
       [&](Bytes& b) {
         b[methodAt] = 9;
         recrc(b);
       }},
      {"a block's method 7",
       [&](Bytes& b) {
         b[tableAt + 16] = 7;
         recrc(b);
       }},
  };
  for (const Case& c : cases) {
    Bytes changed = good;
    c.change(changed);
    ASSERT_TRUE(platform::WriteFileBytes(Path("new.pak"), changed.data(), changed.size()));
    TPak pak;
    pak.Create(Path("new.pak"), false, false);
    EXPECT_TRUE(pak.Header().IsPackage()) << c.what;
    EXPECT_TRUE(pak.MadeByNewerTool()) << c.what;
    EXPECT_EQ(pak.Count(), 0u) << c.what;
  }
}

// What deflate cannot shrink is stored beside the block, judged on the middle of the
// entry (a sound's headers at its start are text-like); short entries stay in the block
// whatever they hold. The package is the same for any number of workers, and every
// entry, stored or in the block, checks and reads back.
TEST_F(PakSolid, IncompressibleEntriesAreStoredBesideTheBlock) {
  Bytes sound = Text(8000, 11);
  const Bytes samples = Noise(200000, 12);
  sound.insert(sound.end(), samples.begin(), samples.end());
  contents = {Text(40000, 13), sound, Noise(40000, 14), Noise(10000, 15), Text(30000, 16)};
  UseContents();
  const auto pack = [&](unsigned workers, const std::string& path) {
    return PackWith({workers, 1 << 20, 3}, path);
  };
  const Bytes one = pack(1, Path());
  for (const unsigned workers : {2u, 5u}) EXPECT_EQ(pack(workers, Path("n.pak")), one) << workers;

  TPak pak;
  pak.Create(Path(), false, false);
  ASSERT_EQ(pak.Count(), contents.size());
  const TCompression expected[] = {TCompression::ZstdBlocks, TCompression::Stored, TCompression::Stored,
                                   TCompression::ZstdBlocks, TCompression::ZstdBlocks};
  for (size_t i = 0; i < contents.size(); ++i) {
    EXPECT_EQ(pak.Entries()[i].Method(), expected[i]) << i;
    EXPECT_EQ(pak.ReadEntry(static_cast<int>(i)), contents[i]) << i;
  }
  EXPECT_EQ(pak.Entries()[4].Block, pak.Entries()[0].Block) << "stored entries do not cut the block";
  for (const unsigned workers : {1u, 2u}) {
    std::vector<int> order;
    VerifyEntries(pak, {workers, nullptr, 0}, [&](int index, const TEntryVerdict& v) {
      EXPECT_TRUE(v.Passes && v.Checked) << index << ": " << v.Problem;
      order.push_back(index);
      return true;
    });
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4})) << workers;
  }
}

TEST_F(PakSolid, UnitsKeepGroupsApartAndCutLongEntriesIntoStretches) {
  Bytes dummy;
  const auto source = [&](uint16_t group, uint64_t size) {
    return TSolidSource{"x", "", &dummy, group, size};
  };
  const std::vector<TSolidSource> planned = {source(1, 4000), source(1, 4000),  source(1, 1000),
                                             source(2, 10),   source(2, 20000), source(2, 5)};
  const std::vector<TSolidUnit> units = PlanSolidUnits(planned, 8192);
  struct Expected {
    size_t first, count;
    uint64_t offset, length;
  };
  const std::vector<Expected> expected = {{0, 2, 0, 0},    {2, 1, 0, 0},       {3, 1, 0, 0},
                                          {4, 1, 0, 8192}, {4, 1, 8192, 8192}, {4, 1, 16384, 3616},
                                          {5, 1, 0, 0}};
  ASSERT_EQ(units.size(), expected.size());
  for (size_t u = 0; u < units.size(); ++u) {
    EXPECT_EQ(units[u].first, expected[u].first) << u;
    EXPECT_EQ(units[u].count, expected[u].count) << u;
    EXPECT_EQ(units[u].stretchOffset, expected[u].offset) << u;
    EXPECT_EQ(units[u].stretchLength, expected[u].length) << u;
  }
}

TEST(ZstdFrames, AFrameGivesItsLengthAndDamageRaises) {
  const Bytes content = Text(1000, 9);
  const Bytes frame = CompressZstd(content.data(), content.size(), 3);
  Bytes truncated(frame.begin(), frame.end() - 5);
  Bytes trailing = frame;
  trailing.push_back(0);
  struct Case {
    const char* what;
    const Bytes& frame;
    size_t expected;
    std::optional<uint64_t> length;  // none: raises
  };
  const std::vector<Case> cases = {
      {"whole", frame, 1000, 1000},
      {"longer than expected: one byte more is told", frame, 999, 1000},
      {"shorter than expected", frame, 1001, 1000},
      {"cut short", truncated, 1000, std::nullopt},
      {"bytes after the frame", trailing, 1000, std::nullopt},
  };
  for (const Case& c : cases) {
    Bytes out(c.expected);
    if (!c.length) {
      EXPECT_THROW(DecompressZstd(c.frame.data(), c.frame.size(), out.data(), out.size()),
                   platform::ESetupError)
          << c.what;
      continue;
    }
    EXPECT_EQ(DecompressZstd(c.frame.data(), c.frame.size(), out.data(), out.size()), *c.length) << c.what;
    if (*c.length == c.expected) {
      EXPECT_EQ(out, content) << c.what;
    }
  }
}

}  // namespace

// The table of a zstd package is a frame: it reads as the plain table does; a frame
// that decodes wrongly, or to more than it may claim, makes a damaged package, not a
// newer one.
TEST_F(PakSolid, TheTableIsAFrameThatReadsAsThePlainTable) {
  Plan();
  const Bytes framed = Pack(1, Path("framed.pak"));
  const TableAt at(framed);
  ASSERT_EQ(at.required, kZstdTable);
  const Bytes plainTable = DecompressTable(at.Table(framed)).value();
  EXPECT_LT(at.Table(framed).size(), plainTable.size());
  const Bytes plain = at.With(framed, plainTable, 0);
  const auto entriesOf = [&](const Bytes& package) {
    EXPECT_TRUE(platform::WriteFileBytes(Path("read.pak"), package.data(), package.size()));
    TPak pak;
    pak.Create(Path("read.pak"), false, false);
    EXPECT_TRUE(pak.TableComplete());
    std::vector<std::string> seen;
    for (size_t i = 0; i < pak.Count(); ++i) {
      const TPakFile& e = pak.Entries()[i];
      seen.push_back(e.Name + " " + std::to_string(e.Block) + " " + std::to_string(e.Offset) + " " +
                     std::to_string(e.OrigSize) + " " + std::to_string(e.CRC));
      if (!contents[i].empty()) {
        EXPECT_EQ(pak.ReadEntry(static_cast<int>(i)), contents[i]) << i;
      }
    }
    return seen;
  };
  const std::vector<std::string> fromFrame = entriesOf(framed);
  EXPECT_EQ(fromFrame.size(), contents.size());
  EXPECT_EQ(entriesOf(plain), fromFrame);

  // A frame of 65 times its length in zeros: more than any table the packer frames.
  const Bytes zeros(65 * 4096, 0);
  Bytes bomb = CompressZstd(zeros.data(), zeros.size(), 1);
  ASSERT_LT(bomb.size() * 65, zeros.size());
  EXPECT_FALSE(DecompressTable(bomb)) << "a frame that claims more than it may";
  EXPECT_FALSE(CompressTable(zeros)) << "the packer keeps such a table plain";
  Bytes truncated = at.Table(framed);
  truncated.resize(truncated.size() - 3);
  struct Case {
    const char* what;
    Bytes table;
  };
  const std::vector<Case> cases = {
      {"a frame that ends early", truncated},
      {"the plain table marked as a frame", plainTable},
      {"a frame of zeros 65 times as long", bomb},
  };
  for (const Case& c : cases) {
    const Bytes bad = at.With(framed, c.table, kZstdTable);
    ASSERT_TRUE(platform::WriteFileBytes(Path("bad.pak"), bad.data(), bad.size()));
    TPak pak;
    pak.Create(Path("bad.pak"), false, false);
    EXPECT_FALSE(pak.TableComplete()) << c.what;
    EXPECT_FALSE(pak.MadeByNewerTool()) << c.what;
    EXPECT_EQ(pak.Count(), 0u) << c.what;
  }
}

// The strongest setting packs at a higher level in blocks of the same size: no frame
// asks a reader for a window larger than its block, so reading one takes no more
// memory than at the default, however long the entry. Incompressible entries that fit
// a block go into it; the bytes are the same for any number of workers.
TEST_F(PakSolid, TheStrongestSettingKeepsEveryWindowWithinItsBlock) {
  // Text that repeats every 50,000 bytes: level 19 packs it fast, and the window is
  // chosen by the block's length, not by what it holds.
  const Bytes verse = Text(50000, 21);
  Bytes longText;
  while (longText.size() < 2 * kSolidBlockSize + 12345)
    longText.insert(longText.end(), verse.begin(), verse.end());
  contents = {longText, Noise(300000, 22), Text(70000, 23)};
  UseContents();
  const auto pack = [&](unsigned workers, const std::string& path) {
    return PackWith(StrongestSolidOptions(workers), path);
  };
  const Bytes one = pack(1, Path("one.pak"));
  EXPECT_EQ(pack(3, Path("three.pak")), one);
  TPak pak;
  pak.Create(Path("one.pak"), false, false);
  ASSERT_TRUE(pak.TableComplete());
  EXPECT_EQ(pak.Entries()[1].Method(), TCompression::ZstdBlocks) << "noise goes into the block";
  ASSERT_GE(pak.Blocks().size(), 3u);
  for (const TPakBlock& block : pak.Blocks()) {
    EXPECT_LE(block.ContentSize, kSolidBlockSize);
    ZSTD_frameHeader header{};
    ASSERT_EQ(ZSTD_getFrameHeader(&header, one.data() + block.Offset, block.StoredSize), 0u);
    EXPECT_LE(header.windowSize, kSolidBlockSize) << block.Offset;
    EXPECT_LT(header.windowSize / 2, block.ContentSize) << "a window no larger than the block needs";
  }
  for (size_t i = 0; i < contents.size(); ++i)
    EXPECT_EQ(pak.ReadEntry(static_cast<int>(i)), contents[i]) << i;
}
