// The CRC-32 of package entries against a bit-by-bit reference: every length around
// the points where the fast path takes over or ends in a tail, at every alignment, and
// continued from a previous checksum.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "package/CRC.h"

namespace {

uint32_t BitwiseCrc(const uint8_t* data, size_t count, uint32_t crc) {
  uint32_t reg = ~crc;
  for (size_t i = 0; i < count; ++i) {
    reg ^= data[i];
    for (int bit = 0; bit < 8; ++bit) reg = (reg >> 1) ^ (0xEDB88320u & (0u - (reg & 1u)));
  }
  return ~reg;
}

std::vector<uint8_t> Noise(size_t length) {
  std::mt19937 rng(7);
  std::vector<uint8_t> out(length);
  for (uint8_t& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

TEST(Crc32, MatchesTheBitwiseChecksumAtEveryLengthAndAlignment) {
  const std::vector<uint8_t> data = Noise((1 << 16) + 64);
  const std::vector<size_t> lengths = {0,   1,   3,    15,   16,   17,   63,    64,   65,
                                       127, 128, 129,  143,  144,  191,  192,   193,  255,
                                       256, 257, 1000, 4095, 4096, 4097, 65535, 65536};
  for (const uint32_t start : {0u, 0xFFFFFFFFu, 0x12345678u})
    for (const size_t offset : {0, 1, 2, 3, 7, 15})
      for (const size_t length : lengths)
        ASSERT_EQ(Crc32(data.data() + offset, length, start), BitwiseCrc(data.data() + offset, length, start))
            << "length " << length << " at offset " << offset << " from " << start;
}

TEST(Crc32, ContinuesAcrossPiecesAndCombines) {
  const std::vector<uint8_t> data = Noise(300000);
  const uint32_t whole = BitwiseCrc(data.data(), data.size(), 0);
  for (const size_t cut : {1, 100, 128, 4096, 150001, 299999}) {
    const uint32_t first = Crc32(data.data(), cut);
    EXPECT_EQ(Crc32(data.data() + cut, data.size() - cut, first), whole) << "cut at " << cut;
    EXPECT_EQ(Crc32Combine(first, Crc32(data.data() + cut, data.size() - cut), data.size() - cut), whole)
        << "cut at " << cut;
  }
}

TEST(Crc32, KnownValues) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc32(check.data(), check.size()), 0xCBF43926u);
  const std::vector<uint8_t> zeros(1 << 12, 0);
  EXPECT_EQ(Crc32(zeros.data(), zeros.size()), BitwiseCrc(zeros.data(), zeros.size(), 0));
}

}  // namespace
