// Shell Link (.lnk) files, written as the Windows shell writes them: the header, the
// link target's LinkInfo with its local base path, and the Unicode strings (relative
// path, working directory, arguments, icon location).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ShellLink {
  std::string target;  // absolute Windows path of the target
  std::string arguments;
  std::string workingDirectory;
  int showCommand = 1;   // 1 normal, 3 maximised, 7 minimised
  std::string iconPath;  // empty: no icon location
  int iconIndex = 0;
};

// The bytes of the link file. The relative path to the target (".\x.exe",
// "..\Game\x.exe") is stored only when the link's own path is given and the target
// is on the same drive.
std::vector<uint8_t> BuildShellLink(const ShellLink& link, const std::string& linkPath = "");
// Writes the link file at linkPath (a Windows path), replacing an existing one.
bool WriteShellLink(const std::string& linkPath, const ShellLink& link);

}  // namespace platform
