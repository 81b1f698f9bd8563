// Every byte checked: large entries carry the CRC-32 of their content and are checked
// at start-up and while they are extracted (CRC 0, from older packers, stays
// unchecked), and content that deflate does not shrink by 1% is stored as it is.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "lang/ZTI_Language.h"
#include "package/CRC.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_PakVerify.h"
#include "package/ZTI_ZStream.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "support/LanguageBytes.h"
#include "support/PakBytes.h"
#include "support/RecordingHooks.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;

Bytes Noise(size_t length, int seed) {
  std::mt19937 rng(seed);
  Bytes out(length);
  for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

Bytes Text(size_t length) {
  const std::string line = "level=3 sprite=door.png x=12 y=40\r\n";
  Bytes out;
  while (out.size() < length) out.insert(out.end(), line.begin(), line.end());
  out.resize(length);
  return out;
}

Bytes Joined(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(PackContent, CompressionIsKeptOnlyWhereItSavesAPercent) {
  const Bytes almost = Joined(Noise(10000, 5), Bytes(150, 0));
  ASSERT_LT(CompressZlib(almost.data(), almost.size()).size(), almost.size())
      << "deflate alone makes it shorter, by less than 1%";
  struct Case {
    const char* what;
    Bytes content;
    bool compressed;
  };
  const std::vector<Case> cases = {
      {"text", Text(100000), true},
      {"noise", Noise(100000, 1), false},
      {"saves less than 1%", almost, false},
      {"noise first, text after the trial's bytes: the trial decides", Joined(Noise(70000, 2), Text(300000)),
       false},
      {"text first, noise after", Joined(Text(70000), Noise(30000, 3)), true},
  };
  for (const Case& c : cases) {
    const TPackedContent packed = PackContent(c.content.data(), c.content.size());
    EXPECT_EQ(packed.CompSize != 0, c.compressed) << c.what;
    EXPECT_EQ(packed.OrigSize, c.content.size()) << c.what;
    EXPECT_EQ(packed.CRC, Crc32(packed.Stored.data(), packed.Stored.size())) << c.what;
    if (!c.compressed) {
      EXPECT_EQ(packed.Stored, c.content) << c.what;
    }
  }
}

class LargeChecksum : public ::testing::Test {
 protected:
  void SetUp() override { UseEnglishStatusTexts(); }
  void TearDown() override { Languages() = TLanguages(); }

  // A package of one large entry: "head", then zeros (a sparse hole) up to the large
  // bound, stored as it is with the given CRC.
  TPak Open(uint32_t crc) {
    platform::FileExists(prefix.Path("C:\\"));
    const auto host = prefix.DriveC() / "large.exe";
    const std::string name = "big.bin";
    Bytes tail;
    Put16(tail, static_cast<uint16_t>(name.size()));
    tail.insert(tail.end(), name.begin(), name.end());
    Put32(tail, crc);
    Put32(tail, 0);
    Put32(tail, 0);
    Put32(tail, kLargeEntrySize);
    Put16(tail, 1);
    tail.insert(tail.end(), {'Z', 'T', 'P', 'F', 1, 0, 1, 0, 0, 0, 0, 0});
    Put32(tail, kLargeEntrySize);
    {
      std::ofstream out(host, std::ios::binary);
      out << "head";
      out.seekp(kLargeEntrySize);
      out.write(reinterpret_cast<const char*>(tail.data()), tail.size());
    }
    TPak pak;
    pak.Create(prefix.Path("C:\\large.exe"), false, false);
    return pak;
  }

  static uint32_t ContentCrc() {
    Bytes zeros(1 << 20, 0);
    uint32_t crc = Crc32("head", 4);
    for (uint64_t done = 4; done < kLargeEntrySize;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(zeros.size(), kLargeEntrySize - done));
      crc = Crc32(zeros.data(), n, crc);
      done += n;
    }
    return crc;
  }

  TempPrefix prefix;
};

TEST_F(LargeChecksum, StartUpChecksALargeEntryByItsContentOnAnyNumberOfWorkers) {
  const uint32_t right = ContentCrc();
  struct Case {
    const char* what;
    uint32_t crc;
    bool passes;
    bool checked;
  };
  const std::vector<Case> cases = {
      {"its content's checksum", right, true, true},
      {"another checksum", right ^ 1, false, true},
      {"0, from an older packer: unchecked", 0, true, false},
  };
  for (const Case& c : cases) {
    for (const unsigned workers : {1u, 3u}) {
      TPak pak = Open(c.crc);
      std::vector<TEntryVerdict> verdicts;
      VerifyEntries(pak, {workers}, [&](int, const TEntryVerdict& v) {
        verdicts.push_back(v);
        return true;
      });
      ASSERT_EQ(verdicts.size(), 1u) << c.what;
      EXPECT_EQ(verdicts[0].Passes, c.passes) << c.what << ", " << workers << " workers";
      EXPECT_EQ(verdicts[0].Checked, c.checked) << c.what;
    }
  }
}

TEST_F(LargeChecksum, ExtractionOfADamagedLargeEntryStops) {
  const uint32_t right = ContentCrc();
  for (const uint32_t crc : {right, 0u, right ^ 1}) {
    TPak pak = Open(crc);
    std::filesystem::create_directories(prefix.DriveC() / "out");
    RecordingHooks hooks;
    if (crc == (right ^ 1)) {
      EXPECT_THROW(pak.ExtractGroup(prefix.Path("C:\\out"), 1, hooks), platform::ESetupError);
      continue;
    }
    pak.ExtractGroup(prefix.Path("C:\\out"), 1, hooks);
    EXPECT_EQ(std::filesystem::file_size(prefix.DriveC() / "out" / "big.bin"), kLargeEntrySize);
  }
}

}  // namespace
