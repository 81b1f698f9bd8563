// The registry of the prefix: which file and key path each root stands for, the parsed
// files (kept while a file's identity, size and time stay the same, so that a large
// system.reg is not read again for every value), and changes written under a lock on
// the prefix to a new file that is renamed into place.
//
// Roots: HKLM is system.reg; HKCU is user.reg; HKCR is HKLM\Software\Classes; HKU
// holds ".Default" (userdef.reg) and the user's own SID (user.reg); HKCC is
// HKLM\System\CurrentControlSet\Hardware Profiles\Current. Link keys (#link with a
// SymbolicLinkValue, as CurrentControlSet is) are followed. In a 64-bit prefix the
// program sees HKLM\Software as a 32-bit program does, through Wow6432Node; the
// platform's own look-ups use the native view.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/Result.h"

namespace platform::posix {

enum class RegistryView { Program, Native };

struct RegistryData {
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

// Paths and names are Windows-1252. A failure names the key, the value or the
// damaged file, and why.
Status FindRegistryKey(RegistryRoot root, const std::string& path, RegistryView view = RegistryView::Program);
Status CreateRegistryKey(RegistryRoot root, const std::string& path,
                         RegistryView view = RegistryView::Program);
Result<RegistryData> ReadRegistryValue(RegistryRoot root, const std::string& path, const std::string& name,
                                       RegistryView view = RegistryView::Program);
// The key must exist.
Status WriteRegistryString(RegistryRoot root, const std::string& path, const std::string& name,
                           const std::string& data, RegistryView view = RegistryView::Program);
Status DeleteRegistryValueAt(RegistryRoot root, const std::string& path, const std::string& name,
                             RegistryView view = RegistryView::Program);
Status RemoveRegistryKey(RegistryRoot root, const std::string& path,
                         RegistryView view = RegistryView::Program);

// "HKEY_CURRENT_USER\Software\Game", as messages name a key.
std::string DescribeRegistryKey(RegistryRoot root, const std::string& path);
// The problem of the registry file that holds root\path when it is damaged (reading
// goes on around the lines it cannot understand); empty when it is whole.
std::string RegistryDamageAt(RegistryRoot root, const std::string& path);

// String values (REG_SZ, REG_EXPAND_SZ) as 8-bit text, up to the first 0; nothing for
// a missing value or one of another type.
std::optional<std::string> RegistryString(const Result<RegistryData>& value);
std::optional<uint32_t> RegistryDword(const Result<RegistryData>& value);

}  // namespace platform::posix
