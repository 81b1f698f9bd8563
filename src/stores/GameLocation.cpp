#include "stores/GameLocation.h"

#include "platform/Files.h"
#include "platform/GameStores.h"
#include "platform/Registry.h"
#include "stores/SteamLibraries.h"

namespace {

constexpr char kGogGamesKey[] = "Software\\GOG.com\\Games\\";

std::optional<TGameLocation> LocateSteamGame(const std::vector<std::string>& appIds) {
  if (appIds.empty()) return std::nullopt;
  // A game folder that is a link leads wherever a standard user pointed it: the setup
  // does not install through it.
  std::vector<TSteamGame> games = FindSteamGames(SteamLibraryFolders(platform::SteamRootFolders()), appIds);
  std::erase_if(games, [](const TSteamGame& game) { return game.ThroughLink; });
  if (games.empty()) return std::nullopt;
  const TSteamGame& game = games.front();
  return TGameLocation{
      platform::StorePathOf(game.Folder),
      "the Steam library " + platform::StorePathOf(game.Library) + " (appmanifest_" + game.AppId + ".acf)",
      "Steam, " + platform::StorePathOf(game.Library)};
}

}  // namespace

std::optional<TGameLocation> LocateGogGame(const std::vector<std::string>& gogGameIds) {
  for (const std::string& id : gogGameIds) {
    const std::string keyPath = kGogGamesKey + id;
    const auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, keyPath, false);
    if (!key) continue;
    const auto path = key->ReadString("path");
    if (!path || path->empty() || !platform::DirectoryExists(*path)) continue;
    return TGameLocation{*path, "GOG (HKEY_LOCAL_MACHINE\\" + keyPath + ", path)", "GOG"};
  }
  return std::nullopt;
}

std::optional<TGameLocation> LocateGame(const TGameStoreQuery& query) {
  if (auto steam = LocateSteamGame(query.SteamAppIds)) return steam;
  return LocateGogGame(query.GogGameIds);
}
