// Writing packages: packing rules, the byte layout of the table and header, append
// and create modes, and reading back what was written.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "package/CRC.h"
#include "package/ZTI_PakFile.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "support/PakBytes.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;

Bytes Random(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

Bytes ReadAll(const std::string& path) { return platform::ReadWholeFile(path).value_or(Bytes{}); }

class PakWrite : public ::testing::Test {
 protected:
  TempPrefix prefix;
};

TEST_F(PakWrite, IncompressibleDataIsStoredAsItIsWithTheChecksumOverIt) {
  TPak pak;
  pak.Create(prefix.Path("C:\\out.pak"), false, true);
  const Bytes noise = Random(100, 1);
  const int index = pak.NewEntry("noise", "", 3);
  ASSERT_TRUE(pak.StoreBuffer(index, noise.data(), noise.size()));
  const TPakFile& e = pak.Entries()[index];
  EXPECT_EQ(e.CompSize, 0u);
  EXPECT_EQ(e.OrigSize, 100u);
  EXPECT_EQ(e.CRC, crc32(0, noise.data(), 100));
  EXPECT_EQ(e.Offset, 0u);
}

TEST_F(PakWrite, AStreamAsLongAsItsContentIsNotKept) {
  // Find content whose level-9 stream is exactly as long as itself: random bytes
  // followed by a run of zeros, the run grown until the lengths meet. Such a stream
  // saves nothing, so the content is stored as it is: inflating it would cost every
  // player time for no byte saved.
  Bytes content;
  for (unsigned seed = 1; seed < 50 && content.empty(); ++seed) {
    for (size_t zeros = 0; zeros < 64; ++zeros) {
      Bytes candidate = Random(200, seed);
      candidate.insert(candidate.end(), zeros, 0);
      uLongf length = compressBound(candidate.size());
      Bytes stream(length);
      compress2(stream.data(), &length, candidate.data(), candidate.size(), 9);
      if (length == candidate.size()) {
        content = candidate;
        break;
      }
    }
  }
  ASSERT_FALSE(content.empty());
  TPak pak;
  pak.Create(prefix.Path("C:\\out.pak"), false, true);
  const int index = pak.NewEntry("tie", "", 1);
  ASSERT_TRUE(pak.StoreBuffer(index, content.data(), content.size()));
  EXPECT_EQ(pak.Entries()[index].CompSize, 0u);
  ASSERT_TRUE(pak.WriteTable());
  pak.Close();
  TPak back;
  back.Create(prefix.Path("C:\\out.pak"), false, false);
  EXPECT_EQ(back.ReadEntry(0), std::optional<Bytes>(content));
}

TEST_F(PakWrite, TheWrittenLayoutIsByteExact) {
  TPak pak;
  pak.Create(prefix.Path("C:\\out.pak"), false, true);
  const std::string text(1000, 'a');
  const int a = pak.NewEntry("A", "", 0);
  ASSERT_TRUE(pak.StoreBuffer(a, reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  const int b = pak.NewEntry("dir\\B", "", 2);
  ASSERT_TRUE(pak.StoreBuffer(b, reinterpret_cast<const uint8_t*>("xyz"), 3));
  const int c = pak.NewEntry("empty", "", 1);
  ASSERT_TRUE(pak.StoreBuffer(c, nullptr, 0));
  ASSERT_TRUE(pak.WriteTable());
  pak.Close();

  // The same package, laid out by hand.
  HandEntry ea = CompressedEntry("A", text, 0);
  HandEntry eb = StoredEntry("dir\\B", "xyz", 2);
  HandEntry ec = StoredEntry("empty", "", 1);
  EXPECT_EQ(ReadAll(prefix.Path("C:\\out.pak")), BuildPackage({ea, eb, ec}));
}

TEST_F(PakWrite, AppendingToAHostKeepsItAndRecordsPakStart) {
  const Bytes host = Random(777, 2);
  ASSERT_TRUE(platform::WriteFileBytes(prefix.Path("C:\\setup.exe"), host.data(), host.size()));
  TPak pak;
  pak.Create(prefix.Path("C:\\setup.exe"), /*append=*/true, /*create=*/true);
  const Bytes content = Random(50, 3);
  ASSERT_TRUE(pak.StoreBuffer(pak.NewEntry("SetupInfo", "", 0), content.data(), content.size()));
  ASSERT_TRUE(pak.WriteTable());
  EXPECT_EQ(pak.Header().PakStart, 777u);
  pak.Close();

  const Bytes file = ReadAll(prefix.Path("C:\\setup.exe"));
  ASSERT_GT(file.size(), host.size());
  EXPECT_TRUE(std::equal(host.begin(), host.end(), file.begin()));
  TPak back;
  back.Create(prefix.Path("C:\\setup.exe"), false, false);
  EXPECT_EQ(back.Header().PakStart, 777u);
  EXPECT_EQ(back.Entries()[0].Offset, 777u);
  EXPECT_EQ(back.Header().TableOffset, 777u + 50u);
  EXPECT_EQ(back.FindEntry("setupinfo", 0).Data, std::optional<Bytes>(content));
}

TEST_F(PakWrite, StoreFileReadsTheSourceAndMissingSourcesAreErrors) {
  const std::string source = prefix.Path("C:\\src\\readme.txt");
  ASSERT_TRUE(platform::MakeDirectory(prefix.Path("C:\\src")));
  const std::string text = "read me\r\n";
  ASSERT_TRUE(platform::WriteFileBytes(source, text.data(), text.size()));
  TPak pak;
  pak.Create(prefix.Path("C:\\out.pak"), false, true);
  ASSERT_TRUE(pak.StoreFile(pak.NewEntry("readme.txt", source, 1)));
  const int missing = pak.NewEntry("gone", prefix.Path("C:\\src\\gone.txt"), 1);
  try {
    pak.StoreFile(missing);
    ADD_FAILURE();
  } catch (const platform::ESetupError& e) {
    EXPECT_NE(std::string(e.what()).find(prefix.Path("C:\\src\\gone.txt")), std::string::npos);
  }
  EXPECT_FALSE(pak.StoreFile(99));
  EXPECT_FALSE(pak.StoreBuffer(-1, nullptr, 0));
}

TEST_F(PakWrite, MoreThan65535EntriesAreRefused) {
  TPak pak;
  pak.Create(prefix.Path("C:\\out.pak"), false, true);
  for (int i = 0; i < 65536; ++i) pak.NewEntry("e", "", 1);
  EXPECT_THROW(pak.WriteTable(), platform::ESetupError);
}

TEST_F(PakWrite, ALargeFileIsCopiedAsItIsWithTheChecksumOfItsContent) {
  // A sparse source of exactly the large bound: nothing is written to make it.
  const auto hostSource = prefix.DriveC() / "big.bin";
  platform::FileExists(prefix.Path("C:\\"));  // lays out the prefix
  { std::ofstream(hostSource, std::ios::binary) << "head"; }
  std::filesystem::resize_file(hostSource, kLargeEntrySize);

  TPak pak;
  pak.Create(prefix.Path("C:\\big.pak"), false, true);
  ASSERT_TRUE(pak.StoreFile(pak.NewEntry("data\\big.bin", prefix.Path("C:\\big.bin"), 1)));
  ASSERT_TRUE(pak.WriteTable());
  pak.Close();

  TPak back;
  back.Create(prefix.Path("C:\\big.pak"), false, false);
  const TPakFile& e = back.Entries()[0];
  EXPECT_EQ(e.OrigSize, kLargeEntrySize);
  EXPECT_EQ(e.CompSize, 0u);
  uint32_t crc = Crc32("head", 4);
  const Bytes zeros(1 << 20, 0);
  for (uint64_t done = 4; done < kLargeEntrySize; done += zeros.size())
    crc = Crc32(zeros.data(), static_cast<size_t>(std::min<uint64_t>(zeros.size(), kLargeEntrySize - done)),
                crc);
  EXPECT_EQ(e.CRC, crc);

  // The stored bytes are the file's, unchanged.
  platform::File file = platform::File::Open(prefix.Path("C:\\big.pak"), platform::OpenMode::ReadShared);
  char head[5] = {};
  ASSERT_EQ(file.Seek(e.Offset), 0);
  ASSERT_TRUE(file.ReadExact(head, 4));
  EXPECT_STREQ(head, "head");
  EXPECT_EQ(back.Header().TableOffset, kLargeEntrySize);
}

}  // namespace
