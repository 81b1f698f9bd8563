// Extracting a group: the exact order of effects, the unsafe-name refusal, large
// entries and the boundary between ordinary and large.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>

#include "lang/ZTI_Language.h"
#include "package/ZTI_PakFile.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/WorkerCount.h"
#include "support/LanguageBytes.h"
#include "support/PakBytes.h"
#include "support/RecordingHooks.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;
using Effects = std::vector<std::string>;

class PakExtract : public ::testing::Test {
 protected:
  void SetUp() override { UseEnglishStatusTexts(); }
  void TearDown() override { Languages() = TLanguages(); }

  TPak Open(const Bytes& bytes) {
    EXPECT_TRUE(platform::WriteFileBytes(P("C:\\setup.exe"), bytes.data(), bytes.size()));
    TPak pak;
    pak.Create(P("C:\\setup.exe"), false, false);
    return pak;
  }

  // A package of one entry of size zero bytes, written sparsely: the hole costs no
  // disk and reads as zeros.
  TPak OpenSparse(uint32_t size, const std::string& name) {
    platform::FileExists(P("C:\\"));
    const auto host = prefix.DriveC() / "sparse.exe";
    Bytes zeros(1 << 20, 0);
    uLong crc = 0;
    for (uint32_t done = 0; done < size;) {
      const uint32_t n = std::min<uint32_t>(zeros.size(), size - done);
      crc = crc32(crc, zeros.data(), n);
      done += n;
    }
    Bytes tail;
    Put16(tail, static_cast<uint16_t>(name.size()));
    tail.insert(tail.end(), name.begin(), name.end());
    Put32(tail, size >= kLargeEntrySize ? 0 : static_cast<uint32_t>(crc));
    Put32(tail, 0);
    Put32(tail, 0);
    Put32(tail, size);
    Put16(tail, 1);
    tail.insert(tail.end(), {'Z', 'T', 'P', 'F', 1, 0, 1, 0, 0, 0, 0, 0});
    Put32(tail, size);
    {
      std::ofstream out(host, std::ios::binary);
      out.seekp(size);
      out.write(reinterpret_cast<const char*>(tail.data()), tail.size());
    }
    TPak pak;
    pak.Create(P("C:\\sparse.exe"), false, false);
    return pak;
  }

  // The machine's path for one written as on drive C:.
  std::string P(std::string_view path) const { return prefix.Path(path); }

  TempPrefix prefix;
};

TEST_F(PakExtract, EffectsComeInTheAlgorithmsOrder) {
  TPak pak =
      Open(BuildPackage({StoredEntry("skip", "0", 0), CompressedEntry("a.txt", std::string(300, 'a'), 1),
                         StoredEntry("other", "2", 2), StoredEntry("sub\\dir\\b.bin", "bb", 1),
                         StoredEntry("empty.txt", "", 1)}));
  RecordingHooks hooks;
  pak.ExtractGroup(P("C:\\Games\\Demo"), 1, hooks);
  const Effects expected = {
      "status Extracting a.txt",
      "record " + P("C:\\Games\\Demo\\a.txt"),
      "write " + P("C:\\Games\\Demo\\a.txt") + " 300",
      "step",
      "status Extracting sub\\dir\\b.bin",
      "record " + P("C:\\Games\\Demo\\sub\\dir\\b.bin"),
      "write " + P("C:\\Games\\Demo\\sub\\dir\\b.bin") + " 2",
      "step",
      "status Extracting empty.txt",
      "record " + P("C:\\Games\\Demo\\empty.txt"),
      "write " + P("C:\\Games\\Demo\\empty.txt") + " 0",
      "step",
      "status Extracting ",
  };
  EXPECT_EQ(hooks.effects, expected);
  EXPECT_EQ(hooks.written[0], Bytes(300, 'a'));
}

TEST_F(PakExtract, AnEmptyGroupStillShowsTheStatusOnce) {
  TPak pak = Open(BuildPackage({StoredEntry("a", "1", 1)}));
  RecordingHooks hooks;
  pak.ExtractGroup(P("C:\\x"), 5, hooks);
  EXPECT_EQ(hooks.effects, Effects{"status Extracting "});
}

TEST_F(PakExtract, NamesThatLeaveTheDirectoryStopTheGroupBeforeAnyEffect) {
  for (const char* bad : {"..\\..\\x.dll", "C:\\x", "\\x", "sub\\..\\..\\y", ""}) {
    TPak pak = Open(BuildPackage({StoredEntry("fine.txt", "1", 1), StoredEntry(bad, "2", 1)}));
    RecordingHooks hooks;
    try {
      pak.ExtractGroup(P("C:\\Games\\Demo"), 1, hooks);
      ADD_FAILURE() << bad;
    } catch (const platform::ESetupError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(std::string("\"") + bad + "\""), std::string::npos) << message;
      EXPECT_NE(message.find(P("C:\\setup.exe")), std::string::npos) << message;
    }
    EXPECT_TRUE(hooks.effects.empty()) << bad;
    // Other groups are not affected.
    RecordingHooks other;
    pak.ExtractGroup(P("C:\\Games\\Demo"), 2, other);
    EXPECT_EQ(other.effects.size(), 1u);
  }
}

TEST_F(PakExtract, AnEntryThatCannotBeReadIsAnError) {
  HandEntry broken = StoredEntry("broken.dat", "content", 1);
  broken.crcOverride = true;
  broken.crc = 12345;
  TPak pak = Open(BuildPackage({StoredEntry("ok.dat", "x", 1), broken}));
  RecordingHooks hooks;
  try {
    pak.ExtractGroup(P("C:\\d"), 1, hooks);
    ADD_FAILURE();
  } catch (const platform::ESetupError& e) {
    EXPECT_NE(std::string(e.what()).find("broken.dat"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("checksum mismatch"), std::string::npos);
  }
  EXPECT_EQ(hooks.effects.size(), 6u);  // ok.dat went out; broken.dat was not written
  EXPECT_EQ(hooks.effects.back(), "record " + P("C:\\d\\broken.dat"));
}

TEST_F(PakExtract, TheLastOrdinarySizeIsReadWholeAndChecked) {
  TPak pak = OpenSparse(kLargeEntrySize - 1, "edge.bin");
  EXPECT_TRUE(pak.VerifyEntry(0));
  RecordingHooks hooks;
  pak.ExtractGroup(P("C:\\out"), 1, hooks);
  const Effects expected = {"status Extracting edge.bin", "record " + P("C:\\out\\edge.bin"),
                            "write " + P("C:\\out\\edge.bin") + " 73400319", "step", "status Extracting "};
  EXPECT_EQ(hooks.effects, expected);
}

TEST_F(PakExtract, TheLargeBoundIsCopiedInPiecesWithSizesInTheStatus) {
  TPak pak = OpenSparse(kLargeEntrySize, "data\\big.bin");
  EXPECT_TRUE(pak.VerifyEntry(0));  // not read, so its checksum 0 does not matter
  EXPECT_FALSE(pak.ReadEntry(0));   // a plain read does check it
  ASSERT_TRUE(platform::MakeDirectory(P("C:\\out")));
  ASSERT_TRUE(platform::MakeDirectory(P("C:\\out\\data")));
  RecordingHooks hooks;
  pak.ExtractGroup(P("C:\\out"), 1, hooks);
  const Effects expected = {
      "status Extracting data\\big.bin",
      "record " + P("C:\\out\\data\\big.bin"),
      "large " + P("C:\\out\\data\\big.bin"),
      "status Extracting data\\big.bin - 0.00 Bytes / 70.00 MB",
      "status Extracting data\\big.bin - 25.00 MB / 70.00 MB",
      "status Extracting data\\big.bin - 50.00 MB / 70.00 MB",
      "step",
      "status Extracting ",
  };
  EXPECT_EQ(hooks.effects, expected);
  EXPECT_EQ(std::filesystem::file_size(prefix.DriveC() / "out" / "data" / "big.bin"), kLargeEntrySize);
}

TEST_F(PakExtract, ALargeEntryThatEndsEarlyIsAnError) {
  TPak pak = OpenSparse(kLargeEntrySize, "big.bin");
  // Claim more than the file holds by copying with a larger size.
  RecordingHooks hooks;
  try {
    pak.ExtractLarge(P("C:\\big.bin"), "big.bin", kLargeEntrySize + 100, 0, hooks);
    ADD_FAILURE();
  } catch (const platform::ESetupError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("\"big.bin\""), std::string::npos) << message;
    EXPECT_NE(message.find("ends early"), std::string::npos) << message;
  }
}

}  // namespace

namespace {

// Read ahead on several workers, the group is written exactly as by one thread: the
// same effects in the same order and the same bytes, up to and including an entry
// that cannot be read (the effects before it happen, none after it).
TEST_F(PakExtract, ManyWorkersGiveTheEffectsOfOne) {
  std::vector<HandEntry> entries;
  for (int i = 0; i < 120; ++i) {
    const std::string content(static_cast<size_t>(i * 131), static_cast<char>('a' + i % 26));
    const std::string name = "d" + std::to_string(i % 5) + "\\f" + std::to_string(i) + ".txt";
    entries.push_back(i % 3 ? CompressedEntry(name, content, 1) : StoredEntry(name, content, 1));
    if (i % 10 == 0) entries.push_back(StoredEntry("other" + std::to_string(i), "x", 2));
  }
  std::vector<HandEntry> damaged = entries;
  damaged[77].crcOverride = true;
  damaged[77].crc = 1;
  for (const auto* package : {&entries, &damaged}) {
    const bool bad = package == &damaged;
    TPak pak = Open(BuildPackage(*package));
    std::vector<RecordingHooks> runs(3);
    const unsigned counts[] = {1, 2, 8};
    for (size_t r = 0; r < runs.size(); ++r) {
      platform::SetWorkerCount(counts[r]);
      bool raised = false;
      try {
        pak.ExtractGroup("C:\\Games\\Demo", 1, runs[r]);
      } catch (const platform::ESetupError& e) {
        raised = true;
        EXPECT_NE(std::string(e.what()).find("checksum mismatch"), std::string::npos) << e.what();
      }
      EXPECT_EQ(raised, bad);
    }
    platform::SetWorkerCount(0);
    EXPECT_EQ(runs[0].effects.size(), bad ? 0u + 4 * 70 + 2 : 4u * 120 + 1);
    for (size_t r = 1; r < runs.size(); ++r) {
      EXPECT_EQ(runs[r].effects, runs[0].effects) << counts[r];
      EXPECT_EQ(runs[r].written, runs[0].written) << counts[r];
    }
  }
}

}  // namespace
