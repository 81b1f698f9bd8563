// setuptool reg, run as a user runs it, in a fresh prefix: the prefix's registry files
// (system.reg, user.reg) are what it reads and writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/RunProgram.h"
#include "support/TestMachine.h"
#include "support/HostFiles.h"

namespace {

using testing_support::ReadHostFile;

using namespace testing_support;
namespace fs = std::filesystem;

ProgramResult Reg(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"reg"};
  all.insert(all.end(), args.begin(), args.end());
  return RunProgram("setuptool", all);
}

TEST(SetuptoolReg, SetThenGetRoundTripsUnderEveryRootSpelling) {
  TempPrefix prefix;
  const struct {
    const char* setKey;
    const char* getKey;
    const char* name;
    const char* data;
  } cases[] = {
      {"HKLM\\Software\\Demo", "HKEY_LOCAL_MACHINE\\SOFTWARE\\demo", "InstallDir", "C:\\Games\\D\u00e9mo"},
      {"HKCU\\Software\\Demo", "hkcu\\software\\Demo", "@", "default \"quoted\""},
      {"HKCR\\demoproto", "HKLM\\Software\\Classes\\demoproto", "URL Protocol", ""},
      {"HKU\\.Default\\Software\\Demo", "HKEY_USERS\\.DEFAULT\\Software\\Demo", "", "\u20ac 5"},
      {"HKCC\\Software\\Fonts", "HKEY_CURRENT_CONFIG\\Software\\Fonts", "LogPixels", "96"},
  };
  for (const auto& test : cases) {
    ProgramResult r = Reg({"set", test.setKey, test.name, test.data});
    ASSERT_EQ(r.status, 0) << test.setKey << ": " << r.err;
    r = Reg({"get", test.getKey, test.name});
    EXPECT_EQ(r.status, 0) << test.getKey << ": " << r.err;
    EXPECT_EQ(r.out, std::string(test.data) + "\n") << test.getKey;
  }
  // Without a name, the default value.
  EXPECT_EQ(Reg({"get", "HKCU\\Software\\Demo"}).out, "default \"quoted\"\n");
  EXPECT_NE(ReadHostFile(prefix.Root() / "system.reg").find("\"InstallDir\"=\"C:\\\\Games\\\\D\\xe9mo\""),
            std::string::npos);
}

TEST(SetuptoolReg, AbsentValuesAndKeysAreNamedAndExitWithOne) {
  TempPrefix prefix;
  ASSERT_EQ(Reg({"set", "HKLM\\Software\\Demo\\Sub", "a", "1"}).status, 0);
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;  // part of stderr
  } cases[] = {
      {{"get", "HKLM\\Software\\Demo\\Sub", "missing"},
       1,
       "the value \"missing\" of HKEY_LOCAL_MACHINE\\Software\\Demo\\Sub does not exist"},
      {{"get", "HKLM\\Software\\Nothing", "a"},
       1,
       "the key HKEY_LOCAL_MACHINE\\Software\\Nothing does not exist"},
      {{"delete", "HKLM\\Software\\Demo"}, 1, "has sub-keys"},
      {{"delete", "HKLM\\Software\\Demo\\Sub", "b"}, 1, "\"b\""},
      {{"get", "HKXX\\Software", "a"}, 2, "unknown registry root"},
      {{"set", "HKLM\\Software\\Demo", "only-name"}, 2, "usage"},
      {{"frobnicate", "HKLM\\Software"}, 2, "usage"},
  };
  for (const auto& test : cases) {
    const ProgramResult r = Reg(test.args);
    EXPECT_EQ(r.status, test.status) << test.args[0] << " " << test.args[1];
    EXPECT_NE(r.err.find(test.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST(SetuptoolReg, DeleteRemovesValuesThenKeys) {
  TempPrefix prefix;
  ASSERT_EQ(Reg({"set", "HKCU\\Software\\Demo", "a", "1"}).status, 0);
  EXPECT_EQ(Reg({"delete", "HKCU\\Software\\Demo", "A"}).status, 0);
  EXPECT_EQ(Reg({"get", "HKCU\\Software\\Demo", "a"}).status, 1);
  EXPECT_EQ(Reg({"delete", "HKCU\\Software\\Demo"}).status, 0);
  EXPECT_EQ(Reg({"delete", "HKCU\\Software\\Demo"}).status, 1);
  EXPECT_EQ(ReadHostFile(prefix.Root() / "user.reg").find("Demo"), std::string::npos);
}

TEST(SetuptoolReg, ADamagedRegistryFileIsReportedAndLeftAlone) {
  TempPrefix prefix;
  const std::string damaged =
      "WINE REGISTRY Version 2\n\n[Software\\\\Good] 1\n\"a\"=\"1\"\n\n[Software\\\\Bad\n";
  std::ofstream(prefix.Root() / "user.reg", std::ios::binary) << damaged;
  ProgramResult r = Reg({"set", "HKCU\\Software\\Good", "b", "2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find((prefix.Root() / "user.reg").string() + ":6: malformed key"), std::string::npos)
      << r.err;
  EXPECT_EQ(ReadHostFile(prefix.Root() / "user.reg"), damaged);
  r = Reg({"get", "HKCU\\Software\\Good", "a"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "1\n");
  EXPECT_NE(r.err.find("warning"), std::string::npos);
}

}  // namespace
