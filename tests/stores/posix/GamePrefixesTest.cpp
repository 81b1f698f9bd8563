// Finding the player's prefixes that hold the game, on home folders laid out as Steam
// (native, Flatpak), Lutris, Heroic, Bottles and Wine leave them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "stores/StoreLayouts.h"
#include "platform/Machine.h"
#include "stores/GamePrefixes.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

constexpr char kAppId[] = "1234560";
constexpr char kKey[] = "Software\\Harbour\\Game";
constexpr char kValue[] = "InstallPath";

// A Steam installation at root listing its libraries, the game in the given library
// with its Proton prefix there.
void MakeSteam(const fs::path& root, const std::vector<fs::path>& libraries) {
  std::vector<std::string> listed = {root.string()};
  for (const fs::path& library : libraries) listed.push_back(library.string());
  WriteStoreFile(root / "steamapps" / "libraryfolders.vdf", LibraryFoldersVdf(listed));
}

struct Layout {
  const char* name;
  std::function<void(const fs::path& home)> make;
  std::vector<std::string> stores;  // of the prefixes found, in order
};

class GamePrefixes : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* home = std::getenv("HOME")) oldHome_ = home;
  }
  void TearDown() override { setenv("HOME", oldHome_.c_str(), 1); }

  TPrefixSearch Find(const fs::path& home) {
    setenv("HOME", home.c_str(), 1);
    return FindGamePrefixes({{kAppId}, 0, kKey, kValue});
  }

  TestMachine machine_;  // the program's own machine stays a scratch one
  std::string oldHome_;
};

TEST_F(GamePrefixes, FindsThePrefixesThatHoldTheGame) {
  const Layout layouts[] = {
      {"native Steam, the game's own Proton prefix",
       [](const fs::path& home) {
         const fs::path steam = home / ".local/share/Steam";
         MakeSteam(steam, {});
         AddSteamGame(steam, kAppId, "Harbour");
         MakePrefix(steam / "steamapps/compatdata" / kAppId / "pfx", false);
       },
       {"Steam"}},
      {"Flatpak Steam with the game and its prefix in a second library",
       [](const fs::path& home) {
         const fs::path steam = home / ".var/app/com.valvesoftware.Steam/.local/share/Steam";
         const fs::path second = home / "Games/SteamLibrary";
         MakeSteam(steam, {second});
         AddSteamGame(second, kAppId, "Harbour");
         MakePrefix(second / "steamapps/compatdata" / kAppId / "pfx", false);
       },
       {"Steam"}},
      {"a stale compatdata folder of an uninstalled game",
       [](const fs::path& home) {
         const fs::path steam = home / ".local/share/Steam";
         MakeSteam(steam, {});
         AddSteamGame(steam, kAppId, "Harbour", false);
         MakePrefix(steam / "steamapps/compatdata" / kAppId / "pfx", false);
       },
       {}},
      {"a Proton prefix Steam has not made yet",
       [](const fs::path& home) {
         const fs::path steam = home / ".local/share/Steam";
         MakeSteam(steam, {});
         AddSteamGame(steam, kAppId, "Harbour");
         fs::create_directories(steam / "steamapps/compatdata" / kAppId / "pfx");
       },
       {}},
      {"Lutris and Bottles prefixes that both hold the game",
       [](const fs::path& home) {
         MakePrefix(home / "Games/harbour", true);
         WriteStoreFile(home / ".config/lutris/games/harbour-1700000000.yml",
                        "game:\n  exe: /home/u/Games/harbour/drive_c/Games/Harbour/game.exe\n  prefix: " +
                            (home / "Games/harbour").string() +
                            "\ngame_slug: harbour\nwine:\n  version: lutris-7\n");
         MakePrefix(home / ".local/share/bottles/bottles/Harbour", true);
         MakePrefix(home / ".local/share/bottles/bottles/Other", false);
       },
       {"Lutris", "Bottles"}},
      {"a Heroic prefix (Flatpak) and ~/.wine, only Heroic's holding the value",
       [](const fs::path& home) {
         MakePrefix(home / "Games/Heroic/Prefixes/Harbour", true);
         WriteStoreFile(home / ".var/app/com.heroicgameslauncher.hgl/config/heroic/GamesConfig/abc.json",
                        "{\n  \"abc\": {\n    \"wineVersion\": {},\n    \"winePrefix\": \"" +
                            (home / "Games/Heroic/Prefixes/Harbour").string() + "\"\n  }\n}\n");
         MakePrefix(home / ".wine", false, "Software\\\\Harbour\\\\Game");
       },
       {"Heroic"}},
      {"~/.wine holding the value", [](const fs::path& home) { MakePrefix(home / ".wine", true); }, {"Wine"}},
      {"a Lutris game without a prefix, a Heroic file that is no JSON",
       [](const fs::path& home) {
         WriteStoreFile(home / ".config/lutris/games/x.yml", "game:\n  exe: /usr/bin/true\nprefix: /\n");
         WriteStoreFile(home / ".config/heroic/GamesConfig/x.json", "{\"winePrefix\": \"/unterminated");
       },
       {}},
  };
  for (const Layout& layout : layouts) {
    TempDir home;
    layout.make(home.Path());
    const TPrefixSearch found = Find(home.Path());
    std::vector<std::string> stores;
    for (const TGamePrefix& prefix : found.Holding) stores.push_back(prefix.Store);
    EXPECT_EQ(stores, layout.stores) << layout.name;
    EXPECT_FALSE(found.LookedIn.empty()) << layout.name;
    EXPECT_FALSE(platform::MachineChoiceOpen()) << layout.name;
  }
}

TEST_F(GamePrefixes, SaysWhereItLookedAndMakesNoPrefix) {
  TempDir home;
  MakeSteam(home.Path() / ".local/share/Steam", {});
  const TPrefixSearch found = Find(home.Path());
  EXPECT_TRUE(found.Holding.empty());
  const std::string compat =
      (home.Path() / ".local/share/Steam/steamapps/compatdata" / kAppId / "pfx").string();
  EXPECT_NE(std::find(found.LookedIn.begin(), found.LookedIn.end(), compat), found.LookedIn.end());
  EXPECT_NE(std::find(found.LookedIn.begin(), found.LookedIn.end(), (home.Path() / ".wine").string()),
            found.LookedIn.end());
  EXPECT_FALSE(fs::exists(home.Path() / ".wine"));
  EXPECT_FALSE(fs::exists(compat));
}

}  // namespace
