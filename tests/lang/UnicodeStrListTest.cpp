#include "lang/SE_UnicodeStrList.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "support/LanguageBytes.h"

namespace {

using testing_support::LanguageEntry;

std::vector<std::u16string> Lines(const std::vector<uint8_t>& bytes) {
  TUnicodeStringList list;
  list.LoadFromBuffer(bytes.data(), bytes.size());
  std::vector<std::u16string> lines;
  for (size_t i = 0; i < list.Count(); ++i) lines.push_back(list.GetString(i));
  return lines;
}

TEST(UnicodeStringList, BreaksLinesAtCarriageReturnsAndDropsTextBeforeALoneLineFeed) {
  using L = std::vector<std::u16string>;
  struct Case {
    const char* what;
    std::u16string text;
    L lines;
  } cases[] = {
      {"CR LF", u"a\r\nb\r\n", L{u"a", u"b"}},
      {"CR alone", u"a\rb\r", L{u"a", u"b"}},
      {"last line without CR", u"a\rb", L{u"a", u"b"}},
      {"LF alone keeps only the last line", u"a\nb\nc", L{u"c"}},
      {"text before a lone LF is dropped", u"a\rx\ny\r", L{u"a", u"y"}},
      {"empty lines are lines", u"a\r\r\rb", L{u"a", u"", u"", u"b"}},
      {"trailing LF adds nothing", u"a\r\n\n", L{u"a"}},
      {"blanks are kept", u" a \r", L{u" a "}},
      {"empty text", u"", L{}},
      {"non-ASCII", u"\u010Ce\u0161tina\r", L{u"\u010Ce\u0161tina"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Lines(LanguageEntry(c.text)), c.lines) << c.what;
}

TEST(UnicodeStringList, SkipsTheMarkUncheckedAndIgnoresAnOddLastByte) {
  std::vector<uint8_t> bytes = LanguageEntry(u"xab\rc", /*withBom=*/false);  // "x" stands in for a mark
  EXPECT_EQ(Lines(bytes), (std::vector<std::u16string>{u"ab", u"c"}));
  bytes.push_back('Z');
  EXPECT_EQ(Lines(bytes), (std::vector<std::u16string>{u"ab", u"c"}));
  EXPECT_TRUE(Lines({0xFF}).empty());
  EXPECT_TRUE(Lines({0xFF, 0xFE}).empty());
}

TEST(UnicodeStringList, NoDataIsAnErrorAndIndexesAreChecked) {
  TUnicodeStringList list;
  EXPECT_THROW(list.LoadFromBuffer(nullptr, 10), platform::ESetupError);
  list.Add(u"one");
  list.AddWithValue(u"two", 5);
  EXPECT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.GetString(1), u"two");
  EXPECT_THROW(list.GetString(2), platform::ESetupError);
  const auto bytes = LanguageEntry(u"x\r");
  list.LoadFromBuffer(bytes.data(), bytes.size());
  EXPECT_EQ(list.Count(), 1u);  // loading clears
}

}  // namespace
