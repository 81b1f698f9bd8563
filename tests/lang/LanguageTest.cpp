#include "lang/ZTI_Language.h"

#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "support/LanguageBytes.h"

namespace {

using testing_support::LanguageEntry;

const std::u16string kEnglish =
    u"English\r\n"
    u"0c09;2809;1009;0809;0409;\r\n"
    u"1 Welcome to <%SETUPTITLE%>\r\n"
    u"12 < Back\r\n"
    u"13 Next >\r\n"
    u"18 Extracting <%FILENAME%>\r\n"
    u"26 \r\n"
    u"5 <LANG6>\r\n"
    u"6 Space required <%SPACEREQ%>\r\n"
    u"12 second twelve\r\n";

TLanguage Load(const std::u16string& text, const std::string& name = "LANGUAGE-test") {
  const auto bytes = LanguageEntry(text);
  TLanguage language;
  language.LoadFromBuffer(bytes.data(), bytes.size(), name);
  return language;
}

TLanguages WithTables(std::initializer_list<std::u16string> tables) {
  TLanguages languages;
  for (const auto& table : tables) {
    const auto bytes = LanguageEntry(table);
    languages.AddLanguage(bytes.data(), bytes.size());
  }
  languages.CurrentLanguage = 0;
  return languages;
}

TEST(Language, ReadsNameIdentifiersAndNumberedTexts) {
  const TLanguage english = Load(kEnglish);
  EXPECT_EQ(english.Name, u"English");
  EXPECT_EQ(english.LanguageIds, (std::vector<uint16_t>{0x0c09, 0x2809, 0x1009, 0x0809, 0x0409}));
  ASSERT_EQ(english.Texts.size(), 8u);
  EXPECT_EQ(english.Texts[1].Number, 12);
  EXPECT_EQ(english.Texts[1].Text, u"< Back");
  EXPECT_EQ(english.Texts[4].Number, 26);
  EXPECT_EQ(english.Texts[4].Text, u"");
}

TEST(Language, CrLfAndCrAloneLoadTheSame) {
  std::u16string crOnly;
  for (char16_t c : kEnglish)
    if (c != u'\n') crOnly += c;
  const TLanguage a = Load(kEnglish), b = Load(crOnly);
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.LanguageIds, b.LanguageIds);
  ASSERT_EQ(a.Texts.size(), b.Texts.size());
  for (size_t i = 0; i < a.Texts.size(); ++i) EXPECT_EQ(a.Texts[i].Text, b.Texts[i].Text);
}

TEST(Language, ParsesNumberedLines) {
  struct Case {
    const char* what;
    std::u16string line;
    uint16_t number;
    std::u16string text;
  } cases[] = {
      {"blanks around", u"  \t 7    Seven words  here \t ", 7, u"Seven words  here"},
      {"tab split", u"8\tTabbed", 8, u"Tabbed"},
      {"quoted number", u"\"12\" text", 12, u"text"},
      {"quotes anywhere in the number", u"\"3\"4 y", 34, u"y"},
      {"quotes stay in the text", u"9 say \"hi\"", 9, u"say \"hi\""},
      {"hex number", u"$1F thirty-one", 31, u"thirty-one"},
      {"no split point", u"44", 44, u""},
      {"kept as 16 bits", u"65537 wraps", 1, u"wraps"},
      {"negative", u"-1 minus", 0xFFFF, u"minus"},
  };
  for (const auto& c : cases) {
    const TLanguage language = Load(u"N\r0409\r" + c.line + u"\r");
    ASSERT_EQ(language.Texts.size(), 1u) << c.what;
    EXPECT_EQ(language.Texts[0].Number, c.number) << c.what;
    EXPECT_EQ(language.Texts[0].Text, c.text) << c.what;
  }
}

TEST(Language, ReadsIdentifierLines) {
  struct Case {
    std::u16string line;
    std::vector<uint16_t> ids;
  } cases[] = {
      {u"0409", {0x0409}},
      {u"0405;", {0x0405}},
      {u"0C09;0415;", {0x0c09, 0x0415}},
      {u"10409;", {0x0409}},  // kept as 16 bits
  };
  for (const auto& c : cases) EXPECT_EQ(Load(u"N\r" + c.line + u"\r").LanguageIds, c.ids);
}

TEST(Language, TablesThatCannotBeParsedNameTheEntryAndTheLine) {
  struct Case {
    std::u16string text;
    std::string expected;  // part of the message
  } cases[] = {
      {u"", "line 1"},
      {u"Only a name\r", "line 2"},
      {u"N\r04x9;\r", "line 2: '04x9'"},
      {u"N\r0409;0415\r", "line 2"},  // the last identifier lacks its ";"
      {u"N\r;\r", "line 2"},
      {u"N\r0409\r1 one\r\r3 three\r", "line 4"},  // an empty line among the texts
      {u"N\r0409\r1 one\rtwo 2\r", "line 4: 'two'"},
      {u"N\r0409\r99999999999 big\r", "line 3"},
  };
  for (const auto& c : cases) {
    try {
      Load(c.text, "LANGUAGE-install\\czech");
      ADD_FAILURE() << "no error for " << c.expected;
    } catch (const platform::ESetupError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("LANGUAGE-install\\czech"), std::string::npos) << message;
      EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
  }
}

TEST(Languages, AFailedTableIsNotAdded) {
  TLanguages languages;
  const auto bad = LanguageEntry(u"N\rzz\r");
  EXPECT_THROW(languages.AddLanguage(bad.data(), bad.size(), "x"), platform::ESetupError);
  EXPECT_TRUE(languages.Languages.empty());
  EXPECT_THROW(languages.AddLanguage(nullptr, 0, "x"), platform::ESetupError);
}

TEST(Languages, SelectsTheFirstTableListingTheSystemLanguageElseTheFirst) {
  TLanguages languages =
      WithTables({u"English\r0409;0809;\r", u"Czech\r0405;\r", u"Polish\r0415;\r", u"Czech 2\r0405;\r"});
  struct Case {
    uint16_t system;
    int32_t selected;
  } cases[] = {{0x0405, 1}, {0x0809, 0}, {0x0415, 2}, {0x0407, 0}};
  for (const auto& c : cases) {
    languages.SelectLanguage(c.system);
    EXPECT_EQ(languages.CurrentLanguage, c.selected) << std::hex << c.system;
  }
  EXPECT_EQ(languages.FindLanguage(0x0407), -1);
}

TEST(Languages, GetTextTakesTheFirstLineOfANumberElseNotFound) {
  TLanguages languages = WithTables({kEnglish});
  EXPECT_EQ(languages.GetText(12), u"< Back");
  EXPECT_EQ(languages.GetText(99), u"NOT FOUND 99");
  languages.CurrentLanguage = -1;
  EXPECT_EQ(languages.GetText(12), u"NOT FOUND 12");
  languages.CurrentLanguage = 1;
  EXPECT_EQ(languages.GetText(12), u"NOT FOUND 12");
  EXPECT_EQ(TLanguages().GetText(0), u"NOT FOUND 0");
}

TEST(Languages, ExpandsTagsThroughSubstitutedTextsAndStopsAtCycles) {
  TLanguages languages = WithTables({kEnglish + u"40 self <LANG40> end\r"
                                                u"41 to <LANG42>\r"
                                                u"42 back <LANG41>\r"
                                                u"43 <LANG13><LANG13>\r"});
  struct Case {
    std::u16string text, expanded;
  } cases[] = {
      {u"go <LANG13> now", u"go Next > now"},
      {u"<LANG5>", u"Space required <%SPACEREQ%>"},
      {u"<LANG12>|<LANG99>", u"< Back|NOT FOUND 99"},
      {u"<LANG40>", u"self <LANG40> end"},
      {u"<LANG41>", u"to back <LANG41>"},
      {u"<LANG43>", u"Next >Next >"},
      {u"<lang13> stays", u"<lang13> stays"},  // the tag is case-sensitive
      {u"no tags", u"no tags"},
  };
  for (const auto& c : cases) EXPECT_EQ(languages.ExpandLanguageTags(c.text), c.expanded);
}

TEST(Languages, ExpansionErrorsAndNoLanguage) {
  TLanguages languages = WithTables({kEnglish});
  EXPECT_THROW(languages.ExpandLanguageTags(u"<LANGx>"), platform::ESetupError);
  EXPECT_THROW(languages.ExpandLanguageTags(u"<LANG12"), platform::ESetupError);
  EXPECT_THROW(languages.ExpandLanguageTags(u"<LANG>"), platform::ESetupError);
  TLanguages none;
  none.CurrentLanguage = 0;
  EXPECT_EQ(none.ExpandLanguageTags(u"a <LANG12> b"), u"a <LANG12> b");
  EXPECT_EQ(none.GetText(12), u"NOT FOUND 12");
}

TEST(Languages, ExpansionOfADoublingChainStaysBounded) {
  std::u16string table = u"N\r0409\r";
  for (int i = 1; i <= 40; ++i)
    table += std::u16string(u"") + char16_t(u'0' + i / 10) + char16_t(u'0' + i % 10) + u" <LANG" +
             char16_t(u'0' + (i + 1) / 10) + char16_t(u'0' + (i + 1) % 10) + u"><LANG" +
             char16_t(u'0' + (i + 1) / 10) + char16_t(u'0' + (i + 1) % 10) + u">\r";
  TLanguages languages = WithTables({table});
  const std::u16string out = languages.ExpandLanguageTags(u"<LANG01>");
  EXPECT_LT(out.size(), size_t{1} << 24);
  EXPECT_NE(out.find(u"NOT FOUND 41"), std::u16string::npos);
}

TEST(Languages, RecognisesLanguageEntryNames) {
  EXPECT_TRUE(IsLanguageEntryName("LANGUAGE-install\\english"));
  EXPECT_TRUE(IsLanguageEntryName("language-x"));
  EXPECT_TRUE(IsLanguageEntryName("LANGUAGE-"));
  EXPECT_FALSE(IsLanguageEntryName("UNINSTALL_LANGUAGE-install\\english"));
  EXPECT_FALSE(IsLanguageEntryName("LANGUAGE"));
}

}  // namespace

namespace {
TEST(Language, ABlankBetweenQuotesDoesNotSplitTheLine) {
  // The quoted blank stays in the number part, which then is no number.
  const auto bytes = testing_support::LanguageEntry(u"N\r0409\r\"1 2\" text\r");
  TLanguage language;
  EXPECT_THROW(language.LoadFromBuffer(bytes.data(), bytes.size(), "x"), platform::ESetupError);
}
}  // namespace
