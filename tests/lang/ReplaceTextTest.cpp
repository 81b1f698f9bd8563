#include "lang/ZTI_ReplaceText.h"

#include <gtest/gtest.h>

#include "lang/S_DecimalSeperator.h"

namespace {

TEST(ReplaceText, ReplacesEveryOccurrenceFoldingOnlyAToZ) {
  struct Case {
    const char* what;
    std::u16string source, search, replacement, result;
  } cases[] = {
      {"both cases of <BR>", u"a<br>b<BR>c", u"<BR>", u"\r", u"a\rb\rc"},
      {"macro in any case", u"Extracting <%filename%>", u"<%FILENAME%>", u"x.dll", u"Extracting x.dll"},
      {"accented letters are not folded", u"\u00C9t\u00E9", u"\u00E9", u"e", u"\u00C9te"},
      {"replacement holds the search", u"aXa", u"a", u"aa", u"aaXaa"},
      {"replacement holds the search, other case", u"ab", u"A", u"[a]", u"[a]b"},
      {"no occurrence", u"abc", u"d", u"x", u"abc"},
      {"empty search changes nothing", u"abc", u"", u"x", u"abc"},
      {"search longer than source", u"ab", u"abc", u"x", u"ab"},
      {"removal", u"$INSTDIR\\$instdir", u"$INSTDIR", u"", u"\\"},
      {"adjacent occurrences", u"aaaa", u"aa", u"b", u"bb"},
      {"whole text", u"ABC", u"abc", u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(ReplaceText(c.source, c.search, c.replacement), c.result) << c.what;
}

TEST(FormatSize, PicksTheLargestUnitWithAWholePartUpToGigabytes) {
  struct Case {
    uint64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0.00 Bytes"},
      {1, "1.00 Bytes"},
      {1023, "1023.00 Bytes"},
      {1024, "1.00 KB"},
      {1536, "1.50 KB"},
      {1048575, "1024.00 KB"},
      {1048576, "1.00 MB"},
      {1572864, "1.50 MB"},
      {26214400, "25.00 MB"},
      {73504768, "70.10 MB"},
      {1073741824, "1.00 GB"},
      {5ull << 40, "5120.00 GB"},
      {UINT64_MAX, "17179869184.00 GB"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatSize(c.bytes), c.text) << c.bytes;
}

TEST(FloatText, UsesAPointAndAlwaysShowsOne) {
  struct Case {
    double number;
    const char* text;
  } cases[] = {
      {3, "3.0"},
      {0.25, "0.25"},
      {-1.5, "-1.5"},
      {0, "0.0"},
      {1e20, "1E20.0"},
      {1.5e-7, "1.5E-7"},
      {123456.789, "123456.789"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatText(c.number), c.text);
}

}  // namespace
