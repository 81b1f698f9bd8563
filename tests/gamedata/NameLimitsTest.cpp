// The longest names a game archive's and a game package's records hold, and the marks
// that older setups left by cutting longer ones.
#include <gtest/gtest.h>

#include "gamedata/SE_CutNames.h"
#include "gamedata/VFS_Unit.h"
#include "gamedata/ZT_PakFormat.h"

namespace {

std::string Chars(size_t count, char c = 'n') { return std::string(count, c); }

TEST(NameLimits, AnArchiveHoldsPartsOfUpTo65Characters) {
  const struct {
    std::string path;
    bool fits;
  } cases[] = {
      {Chars(60) + ".txt", true},              // 64
      {Chars(61) + ".txt", true},              // 65
      {Chars(62) + ".txt", false},             // 66
      {"maps\\" + Chars(61) + ".txt", true},   // the file part: 65
      {"maps\\" + Chars(62) + ".txt", false},  // the file part: 66
      {Chars(65) + "\\a.txt", true},           // a folder of 65
      {Chars(66) + "\\a.txt", false},          // a folder of 66
      {"a\\" + Chars(66) + "\\b.txt", false},  // a deeper folder of 66
      {Chars(66) + "\\" + Chars(10), true},    // no ".": only the last part is stored
      {Chars(10) + "\\" + Chars(66), false},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> fault = VFSNameFault(c.path);
    EXPECT_EQ(!fault, c.fits) << c.path;
    if (fault) {
      EXPECT_NE(fault->find("hold at most 65"), std::string::npos) << *fault;
    }
  }
}

TEST(NameLimits, APackageHoldsNamesOfUpTo127Characters) {
  for (const size_t length : {126, 127, 128}) {
    for (const std::string& name : {Chars(length), "sub\\" + Chars(length - 4)}) {
      const std::optional<std::string> fault = PakNameFault(name);
      EXPECT_EQ(!fault, length <= 127) << name;
      if (fault) {
        EXPECT_EQ(*fault, "is 128 characters long; a game package's names hold at most 127");
      }
    }
  }
}

TEST(NameLimits, RepeatedFullLengthNamesAreReportedAsCut) {
  const std::string cut = Chars(65);
  const std::string other = Chars(65, 'o');
  const std::vector<TCutName> found =
      FindCutNames({cut, other, "maps\\" + cut, cut, "MAPS\\" + Chars(65, 'N'), cut});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].name, cut);
  EXPECT_EQ(found[0].records, 3u);
  EXPECT_EQ(found[1].name, "maps\\" + cut);  // letter case aside, the same path
  EXPECT_EQ(found[1].records, 2u);
  EXPECT_EQ(CutNameText(found[1], 65), "2 records share the name \"maps\\" + cut +
                                           "\" of 65 characters, the most a record holds: an older "
                                           "setup cut a longer name");
  EXPECT_TRUE(FindCutNames({cut, other}).empty());
}

}  // namespace
