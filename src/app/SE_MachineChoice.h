// The machine a Linux setup installs into, chosen before anything reads it.
//
// --prefix DIR names it. $WINEPREFIX names it as it always has. Otherwise the setup
// reads its own package's identity and store directives and looks for the player's
// prefixes that hold the game: exactly one is used, and the setup says which and why
// on stderr; of several, the player picks one (an unattended run stops with exit 2 and
// lists them for --prefix); with none, the setup says where it looked and what to do,
// and never makes ~/.wine on its own. An uninstaller works on the prefix that holds
// it. A prefix whose Wine server runs (the game runs) is refused: close the game first.
// A Steam prefix is never made: a compatdata folder without its layout is refused.
//
// On Windows the machine is the one the setup runs on and nothing happens here.
#pragma once

#include <optional>

#include "app/SE_CommandLine.h"

// Nothing when the setup goes on (on the chosen machine); else its exit status.
std::optional<int> ChooseSetupMachine(const TSetupOptions& options, bool unattended);
