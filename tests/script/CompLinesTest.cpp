#include "script/ZTI_CompLines.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "script/ZTI_CommandTable.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutI32(Bytes& out, int32_t v) {
  for (int s = 0; s < 32; s += 8) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> s));
}
void PutString(Bytes& out, const std::string& s) {
  out.push_back(static_cast<uint8_t>(s.size()));
  out.push_back(static_cast<uint8_t>(s.size() >> 8));
  out.insert(out.end(), s.begin(), s.end());
}
Bytes Record(int32_t command, int32_t lineNo, int32_t paramCount,
             const std::vector<std::string>& params = {}) {
  Bytes out;
  PutI32(out, command);
  PutI32(out, lineNo);
  PutI32(out, paramCount);
  for (const auto& p : params) PutString(out, p);
  return out;
}
Bytes Entry(uint16_t count, const std::vector<Bytes>& records) {
  Bytes out{static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8)};
  for (const Bytes& r : records) out.insert(out.end(), r.begin(), r.end());
  return out;
}

TEST(CompLines, StoresCommandLineNoAndCountBeforeTheParameters) {
  TCompLines lines;
  lines.Lines.resize(18);  // blank lines, stored as -1 / -1 / 0
  lines.Lines[17] = TCompLine{13, {"$SMPROGRAMS\\Games\\Demo\\"}, 17};
  const Bytes bytes = lines.SaveToBuffer();
  std::vector<Bytes> records(17, Record(-1, -1, 0));
  records.push_back(Record(13, 17, 1, {"$SMPROGRAMS\\Games\\Demo\\"}));
  EXPECT_EQ(bytes, Entry(18, records));
  EXPECT_EQ(TCompLines{}.SaveToBuffer(), (Bytes{0, 0}));
}

TEST(CompLines, RoundTripKeepsEveryByte) {
  TCompLines lines;
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  lines.Lines = {TCompLine{0, {"start"}, 0}, TCompLine{15, {all, ""}, 1}, TCompLine{-1, {}, -1},
                 TCompLine{1, {"0"}, 3}};
  const Bytes bytes = lines.SaveToBuffer();
  TCompLines loaded;
  ASSERT_TRUE(loaded.LoadFromBuffer(bytes.data(), bytes.size()));
  ASSERT_EQ(loaded.Count(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(loaded.Lines[i].Command, lines.Lines[i].Command);
    EXPECT_EQ(loaded.Lines[i].LineNo, lines.Lines[i].LineNo);
    EXPECT_EQ(loaded.Lines[i].Params, lines.Lines[i].Params);
  }
}

TEST(CompLines, RefusesEntriesThatRunPastTheirEndOrBeyondTheTable) {
  const Bytes good = Record(15, 0, 1, {"hello"});
  struct Case {
    const char* what;
    Bytes entry;
  } cases[] = {
      {"count without records", Entry(1, {})},
      {"record cut inside the header", Entry(1, {Bytes(good.begin(), good.begin() + 6)})},
      {"string cut short", Entry(1, {Bytes(good.begin(), good.end() - 1)})},
      {"more strings than bytes", Entry(1, {Record(15, 0, 1000000)})},
      {"command beyond the table", Entry(1, {Record(kCommandCount + 1, 0, 0)})},
      {"runnable line pointing elsewhere", Entry(1, {Record(15, 1, 1, {"x"})})},
      {"runnable line with a negative index", Entry(1, {Record(15, -1, 1, {"x"})})},
      {"one byte", Bytes{1}},
  };
  for (const auto& c : cases) {
    TCompLines lines;
    lines.Lines.resize(2);
    EXPECT_FALSE(lines.LoadFromBuffer(c.entry.data(), c.entry.size())) << c.what;
    EXPECT_TRUE(lines.Lines.empty()) << c.what;
  }
}

TEST(CompLines, AcceptsWhatTheRunSideSkips) {
  // A negative parameter count is an empty list; labels and -1 lines are never
  // dispatched, so their LineNo is not checked.
  const Bytes entry = Entry(3, {Record(-1, 99, -5), Record(0, 7, 1, {"x"}), Record(-7, 2, 0)});
  TCompLines lines;
  ASSERT_TRUE(lines.LoadFromBuffer(entry.data(), entry.size()));
  ASSERT_EQ(lines.Count(), 3);
  EXPECT_TRUE(lines.Lines[0].Params.empty());
  EXPECT_EQ(lines.Lines[1].Params, std::vector<std::string>{"x"});
  EXPECT_FALSE(lines.LoadFromBuffer(nullptr, 0));  // not even the count
}

TEST(CompLines, RefusesToStoreWhatTheFormatCannotHold) {
  TCompLines tooLong;
  tooLong.Lines = {TCompLine{15, {std::string(65536, 'x')}, 0}};
  EXPECT_THROW(tooLong.SaveToBuffer(), platform::ESetupError);
  TCompLines tooMany;
  tooMany.Lines.resize(65536);
  EXPECT_THROW(tooMany.SaveToBuffer(), platform::ESetupError);
  tooMany.Lines.resize(65535);
  EXPECT_EQ(tooMany.SaveToBuffer().size(), 2u + 65535u * 12u);
}

TEST(CompLines, HasEnoughParamsChecksTheLineExists) {
  TCompLines lines;
  lines.Lines = {TCompLine{1, {"a", "b"}, 0}};
  EXPECT_TRUE(HasEnoughParams(lines, 0, 2));
  EXPECT_FALSE(HasEnoughParams(lines, 0, 3));
  EXPECT_FALSE(HasEnoughParams(lines, 1, 0));
  EXPECT_FALSE(HasEnoughParams(lines, -1, 0));
}

}  // namespace
