// The Wine prefixes of a Linux player that hold the game, found without asking.
//
// The prefixes looked at: each Steam library's compatdata/<appid>/pfx for the
// script's Steam apps, the prefixes named by Lutris's and Heroic's game files, Bottles'
// bottles (native and Flatpak), and ~/.wine. A prefix holds the game when it is the
// installed Steam game's own prefix (the app's manifest names a game folder that
// exists; a compatdata folder left by an uninstalled game counts for nothing), or when
// the setup's registry value is set in it. Only prefixes already laid out count: a
// prefix is never made here.
//
// Registry files are large; each is looked through for the key's name as text first,
// and parsed only when it is there.
#pragma once

#include <string>
#include <vector>

struct TPrefixQuery {
  std::vector<std::string> SteamAppIds;
  // The setup's installation-directory value; an empty Key means none.
  int RootCode = 0;
  std::string Key;
  std::string Value;
};

struct TGamePrefix {
  std::string Folder;  // the prefix folder on the host
  std::string Store;   // "Steam", "Lutris", "Heroic", "Bottles", "Wine"
  std::string Why;     // "the Proton prefix of Steam app 440" ...
};

struct TPrefixSearch {
  std::vector<TGamePrefix> Holding;   // in the order above, each folder once
  std::vector<std::string> LookedIn;  // the places looked at, as host paths
};

// Leaves the machine choice as it found it.
TPrefixSearch FindGamePrefixes(const TPrefixQuery& query);
