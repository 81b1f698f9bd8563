#include "script/buffer_type.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"

namespace {

TEST(BufferManager, ReadsUpToTheEndAndNeverPast) {
  const Bytes block = {1, 2, 3, 4, 5};
  TBufferManager in(block);
  auto first = in.Read(2);
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, (Bytes{1, 2}));
  uint8_t into[8] = {};
  EXPECT_EQ(in.ReadInto(8, into), 3u);  // what remains
  EXPECT_EQ(into[0], 3);
  EXPECT_EQ(into[2], 5);
  EXPECT_TRUE(in.AtEnd());
  EXPECT_FALSE(in.Read(1));
  EXPECT_EQ(in.ReadInto(1, into), 0u);
  in.SetPosition(4);
  EXPECT_EQ(*in.Read(10), (Bytes{5}));
  in.SetPosition(99);  // clamped to the end
  EXPECT_TRUE(in.AtEnd());
  TBufferManager empty(nullptr, 12);
  EXPECT_EQ(empty.Size(), 0u);
  EXPECT_FALSE(empty.Read(1));
}

TEST(BufferManager, TakeGivesWholeRecordsOrNothing) {
  const Bytes block = {1, 2, 3, 4, 5};
  TBufferManager in(block);
  const uint8_t* first = in.Take(2);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, block.data());  // in place, not a copy
  EXPECT_EQ(in.Take(4), nullptr);  // three left: the cursor stays
  EXPECT_EQ(in.Position(), 2u);
  const uint8_t* rest = in.Take(3);
  ASSERT_NE(rest, nullptr);
  EXPECT_EQ(rest[2], 5);
  EXPECT_TRUE(in.AtEnd());
  EXPECT_EQ(in.Take(1), nullptr);
}

TEST(BufferManager, TypedReadersAreLittleEndianAndZeroFillAtTheEnd) {
  const Bytes block = {0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAB};
  TBufferManager in(block);
  EXPECT_EQ(ReadInt16(in), 0x1234);
  EXPECT_EQ(ReadInt32(in), 0x12345678u);
  EXPECT_EQ(ReadInt16(in), 0x00AB);  // one byte left
  EXPECT_EQ(ReadInt32(in), 0u);
  EXPECT_EQ(ReadByte(in), 0);
}

TEST(BufferManager, StringsReadWhatIsThere) {
  struct Case {
    const char* what;
    Bytes block;
    std::vector<std::string> strings;
  } cases[] = {
      {"two strings", {2, 0, 'h', 'i', 0, 0}, {"hi", ""}},
      {"high bytes", {2, 0, 0xE9, 0xFF}, {"\xE9\xFF"}},
      {"runs past the end", {5, 0, 'a', 'b'}, {"ab"}},
      {"half a length", {5}, {""}},
      {"nothing", {}, {""}},
  };
  for (const auto& c : cases) {
    TBufferManager in(c.block.data(), c.block.size());
    for (const auto& expected : c.strings) EXPECT_EQ(ReadString(in), expected) << c.what;
    EXPECT_TRUE(in.AtEnd()) << c.what;
  }
}

TEST(BufferManager, AppendersWriteTheSameFormat) {
  Bytes out;
  AppendInt16(out, 0xBEEF);
  AppendInt32(out, 0x01020304);
  AppendByte(out, 7);
  AppendString(out, "abc");
  AppendString(out, "");
  EXPECT_EQ(out, (Bytes{0xEF, 0xBE, 4, 3, 2, 1, 7, 3, 0, 'a', 'b', 'c', 0, 0}));
  AppendString(out, std::string(0xFFFF, 'x'));
  EXPECT_THROW(AppendString(out, std::string(0x10000, 'x')), platform::ESetupError);
  TBufferManager in(out);
  in.SetPosition(14);
  EXPECT_EQ(ReadString(in).size(), 0xFFFFu);
}

}  // namespace
