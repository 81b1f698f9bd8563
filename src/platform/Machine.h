// Which machine the program works on. On Windows it is the one it runs on. On Linux it
// is a Wine prefix: $WINEPREFIX when set, else the prefix the setup chose (named with
// --prefix, or found holding the game), else ~/.wine.
//
// Prefix folders here are host folders in the stores' form (platform/GameStores.h).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Whether the setup is to choose its machine itself: on Linux while $WINEPREFIX is not
// set and no prefix has been chosen; never on Windows.
bool MachineChoiceOpen();

// The setup calls this before anything else when it may choose the machine: until
// UseMachine, the program sees the host alone (no drives, so paths are the host's own
// "\\?\unix\..." paths, and an empty registry that cannot be written), and no prefix
// is made.
void DeferMachineChoice();

// From now on the program works on the prefix at the folder. A folder without a
// prefix's layout gets it, as $WINEPREFIX's does. "" ends the choice: $WINEPREFIX, else
// ~/.wine, as for the tools.
void UseMachine(const std::string& prefixFolder);

// The choice as it stands, to be put back after a look into other prefixes.
struct MachineChoiceState {
  std::string chosen;
  bool open = false;
};
MachineChoiceState CurrentMachineChoice();
void RestoreMachineChoice(const MachineChoiceState& state);

// The prefix folder in use, for messages; "" on Windows and while none is chosen.
std::string MachineName();

// Whether the folder holds a prefix already laid out (its registry and drives).
bool IsLaidOutPrefix(const std::string& prefixFolder);

// Whether a Wine server runs for the prefix: a program of it (the game) runs.
bool PrefixServerRuns(const std::string& prefixFolder);

// Whether the prefix's registry files hold the text of the key's last name as a key
// line would ("...\\Name]"), compared without regard to case: a cheap look before the
// files are parsed. Always true on Windows.
bool PrefixRegistryMayHoldKey(const std::string& prefixFolder, std::string_view keyPath);

}  // namespace platform
