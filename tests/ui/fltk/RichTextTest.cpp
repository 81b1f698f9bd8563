// The rich-text reader: what it shows of the documents word processors write, and
// that no document, however broken, makes it read past its end or loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "ui/fltk/SE_RichText.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
std::string Utf8(const std::u16string& s) { return platform::WideToUtf8(s); }
std::string TextOf(const std::string& rtf) { return Utf8(ReadRichText(Bytes(rtf)).Text()); }

TEST(RichText, PlainTextIsReadInTheSystemCodePageLineByLine) {
  const TRichDocument doc = ReadRichText(Bytes("caf\xE9\r\nsecond\rthird\nfourth"));
  EXPECT_FALSE(doc.IsRichText);
  ASSERT_EQ(doc.Paragraphs.size(), 4u);
  EXPECT_EQ(Utf8(doc.Paragraphs[0].Text()), "caf\xC3\xA9");
  EXPECT_EQ(Utf8(doc.Paragraphs[3].Text()), "fourth");
  // Only "{\rtf" at the very start makes rich text.
  EXPECT_FALSE(ReadRichText(Bytes(" {\\rtf1 x}")).IsRichText);
}

TEST(RichText, TextAndEscapesComeOutAsWritten) {
  struct Case {
    const char* rtf;
    const char* text;  // UTF-8, paragraphs joined by "\n"
  };
  const Case cases[] = {
      {"{\\rtf1 Hello world}", "Hello world"},
      {"{\\rtf1 one\\par two\\par}", "one\ntwo"},
      {"{\\rtf1 a\\line b}", "a\nb"},  // a line break inside one paragraph
      {"{\\rtf1 a\\tab b}", "a\tb"},
      {"{\\rtf1 \\\\ \\{ \\} a\\~b}",
       "\\ { } a\xC2\xA0"
       "b"},
      {"{\\rtf1 x\\emdash y\\endash z\\bullet}", "x\xE2\x80\x94y\xE2\x80\x93z\xE2\x80\xA2"},
      {"{\\rtf1 \\lquote q\\rquote  \\ldblquote d\\rdblquote}",
       "\xE2\x80\x98q\xE2\x80\x99 \xE2\x80\x9C"
       "d\xE2\x80\x9D"},
      {"{\\rtf1 line\r\nbreaks\nin the source}", "linebreaksin the source"},
      {"{\\rtf1 caf\\'e9 \\'80}", "caf\xC3\xA9 \xE2\x82\xAC"},
      {"{\\rtf1\\ansi\\ansicpg1250 \\'e8}", "\xC4\x8D"},
      {"{\\rtf1{\\fonttbl{\\f0\\fcharset238 Arial CE;}}\\f0 \\'e8\\'9e}", "\xC4\x8D\xC5\xBE"},
      {"{\\rtf1\\uc1 \\u268?ap}",
       "\xC4\x8C"
       "ap"},                                            // the fallback "?" is dropped
      {"{\\rtf1\\uc2 \\u268\\'c8\\'43x}", "\xC4\x8Cx"},  // two fallback bytes
      {"{\\rtf1\\uc0 \\u268 x}", "\xC4\x8Cx"},
      {"{\\rtf1 \\u-10179?\\u-8704?}", "\xF0\x9F\x98\x80"},  // a surrogate pair
      {"{\\rtf1 a{\\*\\generator Writer 1.0;}b}", "ab"},
      {"{\\rtf1{\\info{\\title T}{\\author A}}body}", "body"},
      {"{\\rtf1{\\stylesheet{\\s0 Normal;}}x}", "x"},
      {"{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}} now}", "see link now"},
      {"{\\rtf1 a{\\pict\\pngblip 89504e47}b}", "ab"},
      {"{\\rtf1 a{\\pict\\bin4 }}{x}b}", "ab"},  // binary data may hold braces
      {"{\\rtf1 {\\header head}{\\footer foot}main}", "main"},
  };
  for (const Case& c : cases) EXPECT_EQ(TextOf(c.rtf), c.text) << c.rtf;
}

TEST(RichText, CharacterFormattingFollowsGroupsAndPlain) {
  const TRichDocument doc =
      ReadRichText(Bytes("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
                         "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}"
                         "\\fs20 n {\\b b}{\\i i}\\ul u\\ulnone{\\f1\\cf1 r}\\cf2\\b0 x\\plain p\\par}"));
  ASSERT_TRUE(doc.IsRichText);
  ASSERT_EQ(doc.Paragraphs.size(), 1u);
  const std::vector<TRichRun>& runs = doc.Paragraphs[0].Runs;
  ASSERT_EQ(runs.size(), 7u);
  EXPECT_EQ(Utf8(runs[0].Text), "n ");
  EXPECT_EQ(runs[0].Style.Face, "Arial");
  EXPECT_EQ(runs[0].Style.HalfPoints, 20);
  EXPECT_TRUE(runs[1].Style.Bold);
  EXPECT_FALSE(runs[2].Style.Bold);
  EXPECT_TRUE(runs[2].Style.Italic);
  EXPECT_TRUE(runs[3].Style.Underline);
  EXPECT_EQ(Utf8(runs[4].Text), "r");
  EXPECT_EQ(runs[4].Style.Face, "Times New Roman");
  ASSERT_TRUE(runs[4].Style.Colour);
  EXPECT_EQ(*runs[4].Style.Colour, (TRgb{255, 0, 0}));
  ASSERT_TRUE(runs[5].Style.Colour);
  EXPECT_EQ(*runs[5].Style.Colour, (TRgb{0, 0, 128}));
  // \plain: default size 12 points, default font, no colour.
  EXPECT_EQ(runs[6].Style.HalfPoints, 24);
  EXPECT_EQ(runs[6].Style.Face, "Arial");
  EXPECT_FALSE(runs[6].Style.Colour);
}

TEST(RichText, ColourIndexZeroOrOutsideTheTableIsTheControlsColour) {
  const TRichDocument doc =
      ReadRichText(Bytes("{\\rtf1{\\colortbl ;\\red1\\green2\\blue3;}\\cf0 a\\cf1 b\\cf9 c\\cf-1 d}"));
  const std::vector<TRichRun>& runs = doc.Paragraphs.at(0).Runs;
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_FALSE(runs[0].Style.Colour);
  EXPECT_EQ(*runs[1].Style.Colour, (TRgb{1, 2, 3}));
  EXPECT_EQ(Utf8(runs[2].Text), "cd");
  EXPECT_FALSE(runs[2].Style.Colour);
}

TEST(RichText, ParagraphPropertiesBelongToTheParagraphTheyEnd) {
  const TRichDocument doc =
      ReadRichText(Bytes("{\\rtf1\\qc centred\\par\\pard\\li720\\ri360\\fi-360\\sb120\\sa240 list\\par"
                         "\\qr right\\par\\pard left\\par}"));
  ASSERT_EQ(doc.Paragraphs.size(), 4u);
  EXPECT_EQ(doc.Paragraphs[0].Align, TRichAlign::Center);
  const TRichParagraph& list = doc.Paragraphs[1];
  EXPECT_EQ(list.Align, TRichAlign::Left);
  EXPECT_EQ(list.LeftIndent, 720);
  EXPECT_EQ(list.RightIndent, 360);
  EXPECT_EQ(list.FirstIndent, -360);
  EXPECT_EQ(list.SpaceBefore, 120);
  EXPECT_EQ(list.SpaceAfter, 240);
  EXPECT_EQ(doc.Paragraphs[2].Align, TRichAlign::Right);
  EXPECT_EQ(doc.Paragraphs[2].LeftIndent, 720);  // \qr alone keeps the indent
  EXPECT_EQ(doc.Paragraphs[3].Align, TRichAlign::Left);
  EXPECT_EQ(doc.Paragraphs[3].LeftIndent, 0);
}

TEST(RichText, BrokenDocumentsEndCleanly) {
  struct Case {
    std::string rtf;
    const char* text;
  };
  const Case cases[] = {
      {"{\\rtf1 unterminated", "unterminated"},
      {"{\\rtf1 extra}}} closing} braces", "extra closing braces"},
      {"{\\rtf1 half \\'4", "half 4"},
      {"{\\rtf1 bad \\'zz hex", "bad zz hex"},
      {"{\\rtf1 \\", ""},
      {"{\\rtf1 \\fs99999999999999999999 big\\li-99999999999 x}", "bigx"},
      {"{\\rtf1 \\bin999999999 gone", ""},
      {"{\\rtf1 \\uc999999 \\u65 abc}", "A"},
      {"{\\rtf1 \\thisiswaytoolongforanycontrolwordthatexists x}", "x"},
      {"{\\rtf1 " + std::string(5000, '{') + "deep" + std::string(5000, '}') + " after}", " after"},
  };
  for (const Case& c : cases) EXPECT_EQ(TextOf(c.rtf), c.text) << c.rtf.substr(0, 60);
  // Huge sizes are bounded.
  const TRichDocument doc = ReadRichText(Bytes("{\\rtf1\\fs99999999 x}"));
  EXPECT_LE(doc.Paragraphs.at(0).Runs.at(0).Style.HalfPoints, 3276);
}

TEST(RichText, CodePagesOfFontCharacterSets) {
  struct Case {
    int codePage;
    uint8_t byte;
    char16_t ch;
  };
  const Case cases[] = {
      {1252, 0x41, u'A'},      {1252, 0x80, u'\u20AC'}, {1252, 0xE9, u'\u00E9'},
      {1250, 0x8A, u'\u0160'}, {1250, 0xE8, u'\u010D'}, {1250, 0xF8, u'\u0159'},
      {1251, 0xC0, u'\u0410'}, {1251, 0xFF, u'\u044F'}, {1257, 0xE9, u'\u00E9'},
  };
  for (const Case& c : cases) EXPECT_EQ(CodePageChar(c.codePage, c.byte), c.ch) << c.codePage;
  EXPECT_EQ(CodePageOfCharset(238), 1250);
  EXPECT_EQ(CodePageOfCharset(204), 1251);
  EXPECT_EQ(CodePageOfCharset(0), 0);
  EXPECT_EQ(CodePageOfCharset(2), 0);
}

}  // namespace
