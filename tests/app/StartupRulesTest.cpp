// Start-up's pure rules: the command line, the renamed-file check, the space needed.
#include <gtest/gtest.h>

#include <fstream>

#include "app/SE_CommandLine.h"
#include "app/SE_StartupRules.h"
#include "package/ZTI_PakFile.h"
#include "support/TestMachine.h"

TEST(StartupRules, RenamedFileNormalisation) {
  const struct {
    const char* name;
    const char* normalised;
  } cases[] = {
      {"setup.exe", "setup.exe"},         {"setup(1).exe", "setup.exe"},
      {"setup[2].exe", "setup.exe"},      {"setup().exe", "setup.exe"},
      {"setup(1)(2).exe", "setup.exe"},   {"setup(1)[9].exe", "setup.exe"},
      {"setup[(3)].exe", "setup.exe"},     // round brackets first, then the square ones
      {"setup([3]).exe", "setup().exe"},   // the round pass is already over
      {"setup(10).exe", "setup(10).exe"},  // 0 is not among the digits
      {"setup (1).exe", "setup .exe"},    {"setup(a).exe", "setup(a).exe"},
      {"setup(1.exe", "setup(1.exe"},  // unclosed: kept with all after it
      {"setup)1(.exe", "setup)1(.exe"},   {"(12)x(3a)(4)", "x(3a)"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormaliseSetupFileName(c.name), c.normalised) << c.name;

  EXPECT_TRUE(SetupFileNameMatches("SETUP.EXE", "setup.exe"));
  EXPECT_TRUE(SetupFileNameMatches("HarbourMaps_Setup(2).exe", "HarbourMaps_Setup.exe"));
  EXPECT_TRUE(SetupFileNameMatches("setup.exe", "C:\\Out\\Setup.exe"));  // its file name part
  EXPECT_FALSE(SetupFileNameMatches("setup(1.exe", "setup.exe"));
  EXPECT_FALSE(SetupFileNameMatches("setup (1).exe", "setup.exe"));
  EXPECT_FALSE(SetupFileNameMatches("other.exe", "setup.exe"));
}

// A browser's numbered copy of the program looks for the data files as published.
TEST(StartupRules, DataFilesAreLookedForUnderTheNameThePackageWasPublishedWith) {
  const struct {
    const char* program;
    const char* stem;
  } cases[] = {
      {"C:\\Downloads\\Addon_Setup.exe", "C:\\Downloads\\Addon_Setup"},
      {"C:\\Downloads\\Addon_Setup(1).exe", "C:\\Downloads\\Addon_Setup"},
      {"C:\\Downloads\\Addon_Setup[2].EXE", "C:\\Downloads\\Addon_Setup"},
      {"C:\\Down(1)loads\\Addon_Setup(10).exe", "C:\\Down(1)loads\\Addon_Setup(10)"},
      {"Addon_Setup(3).exe", "Addon_Setup"},
  };
  for (const auto& c : cases) EXPECT_EQ(DataFileStemOfSetup(c.program), c.stem) << c.program;
}

TEST(StartupRules, RequiredSpaceCountsWhatEachGroupWrites) {
  auto entry = [](uint16_t group, uint32_t orig, uint32_t comp) {
    TPakFile e;
    e.Group = group;
    e.OrigSize = orig;
    e.CompSize = comp;
    return e;
  };
  // Group 1 is extracted as files, group 2 feeds a game package; 3 has no owner.
  const std::vector<bool> kinds = {false, false, true};
  const struct {
    TPakFile entry;
    uint64_t counts;
  } cases[] = {
      {entry(0, 5000, 100), 0},                                               // the setup's own entries
      {entry(1, 1000, 400), 1000},                                            // files: as written
      {entry(1, 700, 0), 700},     {entry(2, 20166491, 18776199), 18776199},  // update data: as stored
      {entry(2, 300, 0), 300},                                                // stored as it is
      {entry(2, 0, 0), 0},         {entry(3, 999, 99), 0},                    // no command owns group 3
  };
  uint64_t total = 0;
  for (const auto& c : cases) {
    EXPECT_EQ(RequiredSpace({c.entry}, kinds), c.counts) << c.entry.Group << " " << c.entry.OrigSize;
    total += c.counts;
  }
  std::vector<TPakFile> all;
  for (const auto& c : cases) all.push_back(c.entry);
  EXPECT_EQ(RequiredSpace(all, kinds), total);
  EXPECT_EQ(RequiredSpace(all, {false}), 0u);  // a script without grouping commands
}

TEST(StartupRules, CommandLine) {
  testing_support::TempPrefix prefix;
  const std::string package = (prefix.DriveC() / "pkg.bin").string();
  std::ofstream(package) << "x";

  TSetupOptions o = ParseSetupCommandLine({package, "--silent", "--dir", "C:\\Games\\X", "--lang", "0c09"});
  EXPECT_TRUE(o.error.empty());
  EXPECT_EQ(o.package.value_or(""), prefix.Path("C:\\pkg.bin"));
  EXPECT_TRUE(o.silent);
  EXPECT_EQ(o.directory.value_or(""), "C:\\Games\\X");
  EXPECT_EQ(o.language.value_or(0), 0x0C09);

  // A first argument that names no file is no package; a later one never is.
  o = ParseSetupCommandLine({"C:\\missing.bin", "--silent", package});
  EXPECT_FALSE(o.package);
  EXPECT_TRUE(o.silent);
  o = ParseSetupCommandLine({"--silent", package});
  EXPECT_FALSE(o.package);
  // A host directory given with --dir is taken as the machine sees it.
  o = ParseSetupCommandLine({"--dir", "/tmp/x"});
  EXPECT_EQ(o.directory.value_or(""), "Z:\\tmp\\x");
  EXPECT_TRUE(ParseSetupCommandLine({"/J", "name", "1.2.3.4"}).error.empty());  // ignored

  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--dir"}, {"--lang"}, {"--lang", "xyz"}, {"--lang", "12345"}, {"--dir", ""}})
    EXPECT_FALSE(ParseSetupCommandLine(bad).error.empty()) << bad[0];
}
