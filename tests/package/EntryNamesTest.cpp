// Names Windows cannot give a file: devices wherever they stand, and parts that end in
// a dot or blank. The packaging tool and the setup refuse the same names through here.
#include <gtest/gtest.h>

#include "package/ZTI_EntryNames.h"

namespace {

TEST(EntryNames, DeviceNamesAreReservedInAnyFormAndAnyPart) {
  const struct {
    const char* name;
    bool reserved;
  } cases[] = {
      {"nul.txt", true},      {"NUL", true},
      {"aux.cfg", true},      {"Con", true},
      {"prn.tar.gz", true},   {"com0", true},
      {"COM9.log", true},     {"lpt1", true},
      {"LPT0.dat", true},     {"com\xB9", true},  // superscript one
      {"LPT\xB2.txt", true},  {"lpt\xB3", true},
      {"nul .txt", true},     {"nul.", true},
      {"NUL  ", true},        {"maps\\aux\\x.map", true},
      {"maps/con.txt", true}, {"nullable.txt", false},
      {"console.cfg", false}, {"com10", false},
      {"com", false},         {"lpt\xB4", false},  // an acute accent, no digit
      {"my nul.txt", false},  {"aux_data\\x.txt", false},
      {"readme.txt", false},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> fault = EntryNameFault(c.name);
    EXPECT_EQ(fault && fault->find("reserves for a device") != std::string::npos, c.reserved) << c.name;
  }
}

TEST(EntryNames, EachFaultIsNamedWithThePartThatCausesIt) {
  const struct {
    const char* name;
    std::optional<std::string> fault;
  } cases[] = {
      {"data\\maps\\a.map", std::nullopt},
      {".\\a.txt", std::nullopt},
      {"a..b", std::nullopt},
      {"maps\\NUL.map", "is a name Windows reserves for a device (\"NUL.map\")"},
      {"readme.", "has a part that ends in a dot or blank, which Windows drops from names (\"readme.\")"},
      {"folder \\a.txt",
       "has a part that ends in a dot or blank, which Windows drops from names (\"folder \")"},
      {"..\\x.dll", "would be written outside the target directory"},
      {"C:\\x", "would be written outside the target directory"},
  };
  for (const auto& c : cases) EXPECT_EQ(EntryNameFault(c.name), c.fault) << c.name;
}

}  // namespace
