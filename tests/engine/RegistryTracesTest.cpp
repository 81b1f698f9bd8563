// Registry values an add-on leaves are taken back exactly: a value the game had gets
// its old data back (unless it changed since), a value the add-on made goes, a name
// the install log's registry entry line cannot carry is refused before anything is
// written, and a second add-on that would take the first one's records stops first.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <string>

#include "engine/SE_Uninstall_Items.h"
#include "engine/SE_Uninstall_List.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "script/SE_FileHelpers.h"
#include "script/ZTI_CompLines.h"
#include "SetupRunFixture.h"

namespace engine_test {
namespace {

using platform::RegistryRoot;

class RegistryTracesTest : public SetupRun {
 protected:
  void Install(const std::string& script) {
    UninstallList().Clear();
    Pack(script);
    Run();
  }
  void UninstallRegistryOf(const std::string& prefix) {
    TUninstallList log;
    ASSERT_TRUE(log.Load(At("C:\\Games\\Demo"), prefix));
    const TRegistryUninstaller values(At("C:\\Games\\Demo\\"), prefix);
    for (const std::string& line : log.RegistryEntries()) values.Uninstall(line);
  }
  void SetGameValue(const std::string& name, const std::string& data) {
    ASSERT_TRUE(platform::RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Game", true)
                    ->WriteString(name, data));
  }
  std::optional<std::string> GameValue(const std::string& name) const {
    return RegValue(RegistryRoot::CurrentUser, "Software\\Game", name);
  }
};

constexpr const char* kLanguageScript =
    "name Czech\nshortname Czech\nprefix Czech\nuninstallpages uninstall\n"
    "writeregstr HKCU Software\\Game Language Czech\n";

TEST_F(RegistryTracesTest, AValueTheGameHadGetsItsOldDataBackUnlessItChangedSince) {
  struct Case {
    const char* name;
    std::optional<std::string> before;     // the game's value before the add-on
    int installs;                          // the add-on run this many times
    std::optional<std::string> changedTo;  // set after the installs, by the player
    std::optional<std::string> afterRemoval;
  } cases[] = {
      {"the game's value comes back", "English", 1, std::nullopt, "English"},
      {"a value the add-on made goes", std::nullopt, 1, std::nullopt, std::nullopt},
      {"a value changed since stays", "English", 1, "German", "German"},
      {"run twice, the game's value still comes back", "English", 2, std::nullopt, "English"},
      {"run twice, the add-on's own value still goes", std::nullopt, 2, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    HostWrite("C:\\Games\\Demo\\game.dat", "game");
    if (c.before) SetGameValue("Language", *c.before);
    for (int i = 0; i < c.installs; ++i) {
      Install(kLanguageScript);
      ASSERT_FALSE(AbortRequested);
    }
    ASSERT_EQ(GameValue("Language"), "Czech");
    if (c.changedTo) SetGameValue("Language", *c.changedTo);
    UninstallRegistryOf("Czech_");
    EXPECT_EQ(GameValue("Language"), c.afterRemoval);
  }
}

// Add-ons that write over one value in turn, installed again, uninstalled in every
// order, and the player's edit between: each uninstall leaves the value to the newest
// add-on still installed, else to the game's or the player's latest data, else (when
// the value did not exist before the first add-on made it) deletes it.
class RegistryChainTest : public RegistryTracesTest {
 protected:
  // Steps: "A" installs A (writing "A1", then "A2"), "a" uninstalls it, "P" edits.
  std::optional<std::string> Play(const std::optional<std::string>& before, const char* steps) {
    Fresh();
    HostWrite("C:\\Games\\Demo\\game.dat", "game");
    if (before) SetGameValue("Language", *before);
    std::map<char, int> runs;
    for (const char* step = steps; *step; ++step) {
      const std::string addOn(1, static_cast<char>(std::toupper(static_cast<unsigned char>(*step))));
      if (*step == 'P') {
        SetGameValue("Language", "edited");
      } else if (std::isupper(static_cast<unsigned char>(*step))) {
        Install("name " + addOn + "\nshortname " + addOn + "\nprefix " + addOn +
                "\nuninstallpages uninstall\nwriteregstr HKCU Software\\Game Language " + addOn +
                std::to_string(++runs[*step]) + "\n");
        EXPECT_FALSE(AbortRequested);
      } else {
        UninstallRegistryOf(addOn + "_");
        RemoveTree(BackupsOf(addOn + "_"));
        platform::DeleteFileAt(TUninstallList::LogPath(At("C:\\Games\\Demo"), addOn + "_"));
      }
    }
    return GameValue("Language");
  }
  struct Case {
    const char* steps;
    std::optional<std::string> after;
  };
};

TEST_F(RegistryChainTest, AValueTheGameHadGoesBackThroughTheChain) {
  const Case cases[] = {
      {"ABa", "B1"},      {"ABb", "A1"},       {"ABab", "English"},   {"ABba", "English"},
      {"ABAa", "B1"},     {"ABAb", "A2"},      {"ABAab", "English"},  {"ABAba", "English"},
      {"ABCb", "C1"},     {"ABCbc", "A1"},     {"ABCbac", "English"}, {"ABCAcb", "A2"},
      {"APAa", "edited"}, {"ABPAa", "edited"}, {"ABPAab", "edited"},  {"ABPAba", "edited"},
  };
  for (const Case& c : cases) EXPECT_EQ(Play("English", c.steps), c.after) << c.steps;
}

TEST_F(RegistryChainTest, AValueAnAddOnMadeGoesWithTheLastAddOnOverIt) {
  const std::nullopt_t gone = std::nullopt;
  const Case cases[] = {
      {"ABa", "B1"},       {"ABb", "A1"},      {"ABab", gone},       {"ABba", gone},      {"ABAa", "B1"},
      {"ABAb", "A2"},      {"ABAab", gone},    {"ABAba", gone},      {"ABCa", "C1"},      {"ABCab", "C1"},
      {"ABCba", "C1"},     {"ABCbc", "A1"},    {"ABCabc", gone},     {"ABCcba", gone},    {"ABCbac", gone},
      {"ABCAcb", "A2"},    {"ABCAcba", gone},  {"APa", "edited"},    {"ABPa", "edited"},  {"ABPab", "edited"},
      {"ABPba", "edited"}, {"APAa", "edited"}, {"ABPAab", "edited"}, {"ABaPb", "edited"},
  };
  for (const Case& c : cases) EXPECT_EQ(Play(std::nullopt, c.steps), c.after) << c.steps;
}

// Packed by an older packaging tool (or changed afterwards), a line whose names hold a
// double quote reaches the run: it stops before writing, and the game's values are
// as they were.
TEST_F(RegistryTracesTest, ANameTheInstallLogCannotCarryStopsTheRunBeforeAnythingIsWritten) {
  struct Case {
    int param;  // the parameter of the writeregstr line given a double quote
    const char* text;
  } cases[] = {{1, "Software\\Ga\"me"}, {2, "Ver\"sion\""}, {3, "2\" \"x"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Fresh();
    SetGameValue("Version", "1");
    Pack(
        "name Demo\nshortname Demo\nprefix Demo\nuninstallpages uninstall\n"
        "writeregstr HKCU Software\\Game Other 2\nwriteregstr HKCU Software\\Game Name 2\n");
    CompLines().Lines.back().Params[static_cast<size_t>(c.param)] = c.text;
    Run();
    EXPECT_TRUE(AbortRequested);
    ASSERT_FALSE(asked_.empty());
    EXPECT_NE(asked_.back().text.find("double quote"), std::string::npos) << asked_.back().text;
    EXPECT_EQ(GameValue("Version"), "1");
    EXPECT_FALSE(GameValue("Other"));
    EXPECT_FALSE(GameValue("Name"));
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\Demo_install.log"));
  }
}

// Two add-ons that would share records: the second stops before changing anything,
// naming both; the same add-on installed again goes ahead.
TEST_F(RegistryTracesTest, AnotherAddOnsInstallLogOrUninstallKeyStopsTheSetupFirst) {
  struct Case {
    const char* name;
    const char* second;  // the second setup's identity lines
    bool stops;
    const char* named;  // in the message, besides the second's own name
  } cases[] = {
      {"same prefix, another short title", "name Two\nshortname Two\nprefix One\n", true, "One"},
      {"same short title, another prefix", "name Two\nshortname One\nprefix Two\n", true, "One"},
      {"the same add-on again", "name One\nshortname One\nprefix One\n", false, ""},
      {"another add-on of its own", "name Two\nshortname Two\nprefix Two\n", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    HostWrite("C:\\Games\\Demo\\game.dat", "original");
    WriteSource("files/game.dat", "first");
    Install("name One\nshortname One\nprefix One\nuninstallpages uninstall\nfile files\\\n");
    ASSERT_FALSE(AbortRequested);
    const std::string firstLog = HostRead("C:\\Games\\Demo\\One_install.log");
    WriteSource("files/game.dat", "second");
    WriteSource("files/more.txt", "more");
    Install(std::string(c.second) + "uninstallpages uninstall\nfile files\\\n");
    EXPECT_EQ(AbortRequested, c.stops);
    if (!c.stops) continue;
    ASSERT_FALSE(asked_.empty());
    EXPECT_NE(asked_.back().text.find(std::string("\"") + c.named + "\""), std::string::npos)
        << asked_.back().text;
    EXPECT_NE(asked_.back().text.find("\"Two\""), std::string::npos) << asked_.back().text;
    EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "first");
    EXPECT_FALSE(HostFileExists("C:\\Games\\Demo\\more.txt"));
    EXPECT_EQ(HostRead("C:\\Games\\Demo\\One_install.log"), firstLog);
    EXPECT_EQ(TrustedRead(BackupsOf("One_") + "\\INSTDIRgame.dat"), "original");
  }
}

}  // namespace
}  // namespace engine_test
