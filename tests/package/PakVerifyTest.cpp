// Verification on the workers, and the content it keeps for the extraction: which
// entries are kept, that the kept bytes are the verified ones whatever the number of
// workers, and that extraction writes them instead of reading the package again.
#include <gtest/gtest.h>

#include <algorithm>

#include "lang/ZTI_Language.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_PakVerify.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "support/LanguageBytes.h"
#include "support/PakBytes.h"
#include "support/RecordingHooks.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;

TPakFile EntryOf(uint16_t group, uint32_t size) {
  TPakFile entry;
  entry.Group = group;
  entry.OrigSize = size;
  return entry;
}

TEST(PlanKeptContents, KeepsExtractableEntriesInTableOrderUpToTheBudget) {
  struct Case {
    const char* what;
    std::vector<TPakFile> entries;
    uint64_t budget;
    std::vector<bool> kept;
  };
  const std::vector<Case> cases = {
      {"group 0 is the setup's own", {EntryOf(0, 10), EntryOf(1, 10)}, 100, {false, true}},
      {"empty and large entries are never read",
       {EntryOf(1, 0), EntryOf(1, kLargeEntrySize), EntryOf(1, 5)},
       UINT64_MAX,
       {false, false, true}},
      {"exactly the budget fits", {EntryOf(1, 60), EntryOf(2, 40)}, 100, {true, true}},
      {"the first that does not fit ends the plan",
       {EntryOf(1, 60), EntryOf(1, 50), EntryOf(1, 1)},
       100,
       {true, false, false}},
      {"no budget keeps nothing", {EntryOf(1, 1)}, 0, {false}},
  };
  for (const Case& c : cases) EXPECT_EQ(PlanKeptContents(c.entries, c.budget), c.kept) << c.what;
}

class PakVerify : public ::testing::Test {
 protected:
  void SetUp() override { UseEnglishStatusTexts(); }
  void TearDown() override { Languages() = TLanguages(); }

  void Write(const Bytes& bytes) {
    ASSERT_TRUE(platform::WriteFileBytes(Path(), bytes.data(), bytes.size()));
  }
  std::string Path() const { return prefix.Path("C:\\setup.exe"); }

  // One entry of group 0, then entries of group 1 with contents of their own, every
  // other one compressed; contents[i] is entry i's content.
  std::vector<HandEntry> Entries() {
    std::vector<HandEntry> entries = {StoredEntry("SetupInfo", "info", 0)};
    contents = {"info"};
    for (int i = 0; i < 40; ++i) {
      contents.emplace_back(100 + i * 37, static_cast<char>('a' + i % 26));
      const std::string name = "f" + std::to_string(i) + ".dat";
      entries.push_back(i % 2 ? CompressedEntry(name, contents.back(), 1)
                              : StoredEntry(name, contents.back(), 1));
    }
    return entries;
  }

  std::vector<std::string> contents;

  TempPrefix prefix;
};

TEST_F(PakVerify, KeptContentIsTheVerifiedContentWithAnyNumberOfWorkers) {
  const std::vector<HandEntry> entries = Entries();
  Write(BuildPackage(entries));
  for (const unsigned workers : {1u, 2u, 5u}) {
    TPak pak;
    pak.Create(Path(), false, false);
    std::vector<int> order;
    VerifyEntries(pak, {workers, &pak.VerifiedContents(), UINT64_MAX},
                  [&](int index, const TEntryVerdict& v) {
                    EXPECT_TRUE(v.Passes) << index;
                    order.push_back(index);
                    return true;
                  });
    ASSERT_EQ(order.size(), entries.size()) << workers;
    for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], static_cast<int>(i));
    EXPECT_FALSE(pak.VerifiedContents().Holds(0)) << "group 0 is read by start-up itself";
    for (size_t i = 1; i < entries.size(); ++i) {
      const std::optional<Bytes> kept = pak.VerifiedContents().Take(static_cast<int>(i));
      ASSERT_TRUE(kept) << workers << " workers, entry " << i;
      EXPECT_EQ(*kept, Bytes(contents[i].begin(), contents[i].end())) << i;
    }
    EXPECT_EQ(pak.VerifiedContents().KeptBytes(), 0u);
  }
}

TEST_F(PakVerify, NothingPastTheFirstBadEntryIsKept) {
  std::vector<HandEntry> entries = Entries();
  entries[7].crcOverride = true;
  entries[7].crc = 1;
  Write(BuildPackage(entries));
  TPak pak;
  pak.Create(Path(), false, false);
  int firstBad = -1;
  VerifyEntries(pak, {2, &pak.VerifiedContents(), UINT64_MAX}, [&](int index, const TEntryVerdict& v) {
    if (v.Passes) return true;
    firstBad = index;
    return false;
  });
  EXPECT_EQ(firstBad, 7);
  for (int i = 1; i < static_cast<int>(entries.size()); ++i)
    EXPECT_EQ(pak.VerifiedContents().Holds(i), i < 7) << i;
}

TEST_F(PakVerify, ExtractionWritesWhatWasVerifiedOnceThenReadsThePackage) {
  Write(BuildPackage(
      {StoredEntry("a.dat", "verified", 1), CompressedEntry("b.dat", std::string(500, 'b'), 1)}));
  TPak pak;
  pak.Create(Path(), false, false);
  VerifyEntries(pak, {2, &pak.VerifiedContents(), UINT64_MAX},
                [](int, const TEntryVerdict&) { return true; });
  // The package changes on the disk after the check, where the system lets a writer in
  // while it is open (Windows shuts writers out): the extraction still writes the bytes
  // that were checked.
  bool rewritten = false;
  {
    Bytes changed = platform::ReadWholeFile(Path()).value();
    const std::string verified = "verified";
    auto at = std::search(changed.begin(), changed.end(), verified.begin(), verified.end());
    ASSERT_NE(at, changed.end());
    *at = 'X';
    rewritten = platform::WriteFileBytes(Path(), changed.data(), changed.size());
  }
  RecordingHooks first;
  pak.ExtractGroup(prefix.Path("C:\\out"), 1, first);
  ASSERT_EQ(first.written.size(), 2u);
  EXPECT_EQ(first.written[0], Bytes({'v', 'e', 'r', 'i', 'f', 'i', 'e', 'd'}));
  EXPECT_EQ(first.written[1], Bytes(500, 'b'));
  EXPECT_EQ(pak.VerifiedContents().KeptBytes(), 0u);
  // A second extraction of the group reads the package, and finds the change if there
  // is one.
  RecordingHooks second;
  if (rewritten) {
    EXPECT_THROW(pak.ExtractGroup(prefix.Path("C:\\out"), 1, second), platform::ESetupError);
  } else {
    pak.ExtractGroup(prefix.Path("C:\\out"), 1, second);
    EXPECT_EQ(second.written, first.written);
  }
}

TEST_F(PakVerify, ClosingThePackageDropsWhatWasKept) {
  Write(BuildPackage({StoredEntry("a.dat", "1234", 1)}));
  TPak pak;
  pak.Create(Path(), false, false);
  VerifyEntries(pak, {1, &pak.VerifiedContents(), UINT64_MAX},
                [](int, const TEntryVerdict&) { return true; });
  EXPECT_EQ(pak.VerifiedContents().KeptBytes(), 4u);
  pak.Close();
  EXPECT_EQ(pak.VerifiedContents().KeptBytes(), 0u);
}

}  // namespace
