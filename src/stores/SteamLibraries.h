// Steam's libraries and the games in them.
//
// An installation lists its libraries (itself among them) in
// steamapps/libraryfolders.vdf: today as numbered blocks with a "path" each, in older
// files as numbered strings. A library holds steamapps/appmanifest_<id>.acf for each
// game, whose "installdir" is the game's folder below steamapps/common. Paths are in
// the stores' form (platform/GameStores.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stores/Vdf.h"

// The libraries a libraryfolders.vdf lists, in its order.
std::vector<std::string> LibrariesListedIn(const TVdfNode& file);

// The installdir of a manifest for the app: nothing when the manifest is another
// app's, or when installdir is no plain folder name (empty, ".", "..", or holding a
// separator or a drive colon), which would lead out of steamapps/common.
std::optional<std::string> ManifestInstallDir(const TVdfNode& manifest, std::string_view appId);

// Every library of the installations, each once, each installation's own folder first.
std::vector<std::string> SteamLibraryFolders(const std::vector<std::string>& roots);

struct TSteamGame {
  std::string AppId;
  std::string Library;       // the library folder
  std::string Manifest;      // its appmanifest_<id>.acf
  std::string Folder;        // the game's folder, which exists
  bool ThroughLink = false;  // the folder is a link (or junction) to elsewhere
};

// The copies of the apps in the libraries, in library order and then in the apps'
// order. A manifest whose game folder is gone (an uninstalled game's leftovers) counts
// for nothing.
std::vector<TSteamGame> FindSteamGames(const std::vector<std::string>& libraries,
                                       const std::vector<std::string>& appIds);
