#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(CodePage, EveryByteSurvivesTheRoundTripThroughUtf16AndUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(WideToAnsi(AnsiToWide(all)), all);
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
  EXPECT_EQ(AnsiToWide(all).size(), 256u);
}

TEST(CodePage, MapsTheWindows1252Specials) {
  struct Case {
    uint8_t byte;
    char16_t unit;
  } cases[] = {{0x80, u'\u20AC'}, {0x8A, u'\u0160'}, {0x9F, u'\u0178'},
               {0xE9, u'\u00E9'}, {0x81, u'\u0081'}, {0x41, u'A'}};
  for (const auto& c : cases) {
    const std::string byte(1, static_cast<char>(c.byte));
    EXPECT_EQ(AnsiToWide(byte), std::u16string(1, c.unit)) << int(c.byte);
  }
  EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(WideToAnsi(u"a\u4E2Db"), "a?b");
  EXPECT_EQ(WideToAnsi(u"\U0001F600"), "?");
  EXPECT_EQ(Utf8ToWide("\xC3"), u"\uFFFD");      // truncated sequence
  EXPECT_EQ(Utf8ToWide("\xC0\xAF"), u"\uFFFD");  // overlong form
  EXPECT_EQ(WideToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(CodePage, CaseFoldingAsciiAndAnsi) {
  EXPECT_EQ(AsciiLower("SETUP\xC9.EXE"), "setup\xC9.exe");
  EXPECT_EQ(AnsiLower("SETUP\xC9.EXE"), "setup\xE9.exe");
  EXPECT_EQ(AnsiUpper("\xFF\x9A\xF7"), "\x9F\x8A\xF7");
  EXPECT_TRUE(SameTextAscii("SetupInfo", "setupinfo"));
  EXPECT_FALSE(SameTextAscii("SetupInfo", "setupinf"));
}

}  // namespace
}  // namespace platform
