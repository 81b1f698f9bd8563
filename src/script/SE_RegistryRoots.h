// The registry roots as the program names them. The setup information and the
// registry entry lines store a root as a code; scripts name it with a short name;
// listings show the long name.
//
//   0 "HKLM" "HKEY_LOCAL_MACHINE"    1 "HKCU" "HKEY_CURRENT_USER"
//   2 "HKCR" "HKEY_CLASSES_ROOT"     3 "HKU"  "HKEY_USERS"
//   4 "HKCC" "HKEY_CURRENT_CONFIG"   other codes: "!ERROR!", no root
#pragma once

#include <string>
#include <string_view>

#include "platform/Registry.h"

// Short names are compared after upper-casing; an unknown name gives 0 (local
// machine), as does a long name.
int RootCodeFromName(std::string_view shortName);
// The short name of a code; empty for a code outside 0-4.
std::string RootShortName(int code);
std::string RootLongName(int code);
// The root key of a code; the null root (every operation on it fails) outside 0-4.
platform::RegistryRoot RootKeyFromCode(int code);
