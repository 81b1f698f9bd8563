// Where the game is, when the setup's own registry value does not say: the stores
// that put games on disk are asked in turn, Steam first (each library of each
// installation, for the app's manifest), then GOG (the folder it records in
// HKLM\Software\GOG.com\Games\<id>, in the 32-bit view where it writes it). The first
// game folder found is taken; what was found, and where from, is said with it.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct TGameStoreQuery {
  std::vector<std::string> SteamAppIds;
  std::vector<std::string> GogGameIds;
};

struct TGameLocation {
  std::string Folder;  // a program (Windows) path
  std::string From;    // "the Steam library D:\SteamLibrary (appmanifest_440.acf)"
  // What the directory page shows in any language: the store's own name and, for Steam,
  // the library ("Steam, D:\SteamLibrary"; "GOG"). From is the log's longer English.
  std::string Store;
};

std::optional<TGameLocation> LocateGame(const TGameStoreQuery& query);

// The GOG part alone: the recorded folder of the first id whose key names an existing
// folder.
std::optional<TGameLocation> LocateGogGame(const std::vector<std::string>& gogGameIds);
