// The byte order of stored numbers: least significant byte first, sign bits and the
// top byte included, the same through every reader and writer.
#include <gtest/gtest.h>

#include <vector>

#include "platform/LittleEndian.h"

namespace platform {
namespace {

TEST(LittleEndian, ValuesRoundTripWithTheLowByteFirst) {
  const struct {
    uint64_t value;
    std::vector<uint8_t> bytes;  // the 64-bit form
  } cases[] = {
      {0, {0, 0, 0, 0, 0, 0, 0, 0}},
      {0x0102030405060708ull, {8, 7, 6, 5, 4, 3, 2, 1}},
      {0xFFFFFFFFFFFFFFFFull, {255, 255, 255, 255, 255, 255, 255, 255}},
      {0x80000000ull, {0, 0, 0, 0x80, 0, 0, 0, 0}},  // the top bit of a 32-bit value
      {0x8000000000000000ull, {0, 0, 0, 0, 0, 0, 0, 0x80}},
  };
  for (const auto& test : cases) {
    std::vector<uint8_t> put;
    PutFixed64(put, test.value);
    EXPECT_EQ(put, test.bytes) << test.value;
    EXPECT_EQ(DecodeFixed64(test.bytes.data()), test.value);
    EXPECT_EQ(DecodeFixed32(test.bytes.data()), static_cast<uint32_t>(test.value));
    EXPECT_EQ(DecodeFixed16(test.bytes.data()), static_cast<uint16_t>(test.value));

    std::vector<uint8_t> short32, short16;
    PutFixed32(short32, static_cast<uint32_t>(test.value));
    PutFixed16(short16, static_cast<uint16_t>(test.value));
    EXPECT_EQ(short32, std::vector<uint8_t>(test.bytes.begin(), test.bytes.begin() + 4));
    EXPECT_EQ(short16, std::vector<uint8_t>(test.bytes.begin(), test.bytes.begin() + 2));

    uint8_t in_place[8] = {};
    EncodeFixed64(in_place, test.value);
    EXPECT_EQ(std::vector<uint8_t>(in_place, in_place + 8), test.bytes);
    uint8_t in_place32[4] = {}, in_place16[2] = {};
    EncodeFixed32(in_place32, static_cast<uint32_t>(test.value));
    EncodeFixed16(in_place16, static_cast<uint16_t>(test.value));
    EXPECT_EQ(DecodeFixed32(in_place32), static_cast<uint32_t>(test.value));
    EXPECT_EQ(DecodeFixed16(in_place16), static_cast<uint16_t>(test.value));
  }
}

}  // namespace
}  // namespace platform
