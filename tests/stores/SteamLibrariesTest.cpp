// Finding a game in Steam's libraries, on layouts made as Steam makes them.
#include <gtest/gtest.h>

#include "stores/StoreLayouts.h"
#include "platform/GameStores.h"
#include "stores/SteamLibraries.h"
#include "stores/Vdf.h"

namespace {

using namespace testing_support;

TVdfNode Parsed(const std::string& text) {
  TVdfResult result = ParseVdf(text);
  EXPECT_TRUE(result.Root) << result.Error;
  return result.Root.value_or(TVdfNode{});
}

TEST(SteamLibraries, ListsTheLibrariesOfBothFileForms) {
  EXPECT_EQ(LibrariesListedIn(
                Parsed(LibraryFoldersVdf({"/home/u/.local/share/Steam", "/mnt/games/SteamLibrary/"}))),
            (std::vector<std::string>{"/home/u/.local/share/Steam", "/mnt/games/SteamLibrary"}));
  EXPECT_EQ(LibrariesListedIn(Parsed("\"LibraryFolders\" { \"TimeNextStatsReport\" \"17\" \"ContentStatsID\" "
                                     "\"-42\" \"1\" \"D:\\\\SteamLibrary\" \"2\" \"E:\\\\Games\" }")),
            (std::vector<std::string>{"D:\\SteamLibrary", "E:\\Games"}));
  EXPECT_TRUE(LibrariesListedIn(Parsed("\"other\" { \"0\" { \"path\" \"/x\" } }")).empty());
}

TEST(SteamLibraries, TakesOnlyAPlainFolderNameFromAManifest) {
  struct Case {
    std::string manifest;
    std::optional<std::string> dir;
  } cases[] = {
      {AppManifest("440", "Team Fortress 2"), "Team Fortress 2"},
      {AppManifest("441", "Team Fortress 2"), std::nullopt},  // another app's manifest
      {AppManifest("440", ".."), std::nullopt},
      {AppManifest("440", "."), std::nullopt},
      {AppManifest("440", ""), std::nullopt},
      {AppManifest("440", "../../../../windows"), std::nullopt},
      {AppManifest("440", "a\\..\\..\\b"), std::nullopt},
      {AppManifest("440", "C:evil"), std::nullopt},
      {"\"AppState\" { \"appid\" \"440\" }", std::nullopt},
      {"\"AppState\" { \"appid\" \"440\" \"installdir\" { } }", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ManifestInstallDir(Parsed(c.manifest), "440"), c.dir) << c.manifest;
}

// An installation with a second library; the game sits in the second, and a stale
// manifest of it (the folder gone) in the first.
TEST(SteamLibraries, FindsTheGameInWhicheverLibraryHoldsIt) {
  TestMachine machine;
  const auto steam = machine.DriveC() / "Steam";
  const auto second = machine.DriveC() / "SteamLibrary";
  const std::string steamForm = StoreForm(machine, "C:\\Steam");
  const std::string secondForm = StoreForm(machine, "C:\\SteamLibrary");
  WriteStoreFile(steam / "steamapps" / "libraryfolders.vdf", LibraryFoldersVdf({steamForm, secondForm}));
  AddSteamGame(steam, "1234560", "Harbour Game", false);
  AddSteamGame(second, "1234560", "Harbour Game");
  AddSteamGame(steam, "999", "Other Game");

  const std::vector<std::string> libraries = SteamLibraryFolders({steamForm + "/"});
  ASSERT_EQ(libraries.size(), 2u);
  const std::vector<TSteamGame> games = FindSteamGames(libraries, {"1234560"});
  ASSERT_EQ(games.size(), 1u);
  EXPECT_EQ(platform::StorePathOf(games[0].Folder),
            machine.Path("C:\\SteamLibrary\\steamapps\\common\\Harbour Game"));
  EXPECT_EQ(platform::StorePathOf(games[0].Library), machine.Path("C:\\SteamLibrary"));
  EXPECT_EQ(games[0].AppId, "1234560");

  // The first of several ids that is installed wins, whichever it is.
  EXPECT_EQ(FindSteamGames(libraries, {"5", "999", "1234560"}).size(), 2u);
  EXPECT_EQ(FindSteamGames(libraries, {"5", "999", "1234560"})[0].AppId, "999");
  EXPECT_TRUE(FindSteamGames(libraries, {"5"}).empty());
}

TEST(SteamLibraries, ADamagedLibraryListStillLeavesTheInstallationsOwnLibrary) {
  TestMachine machine;
  const auto steam = machine.DriveC() / "Steam";
  WriteStoreFile(steam / "steamapps" / "libraryfolders.vdf", "\"libraryfolders\" { \"0\" { \"path\" ");
  AddSteamGame(steam, "70", "Half-Life");
  const std::vector<std::string> libraries = SteamLibraryFolders({StoreForm(machine, "C:\\Steam")});
  ASSERT_EQ(libraries.size(), 1u);
  EXPECT_EQ(FindSteamGames(libraries, {"70"}).size(), 1u);
}

}  // namespace
