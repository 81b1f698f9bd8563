// Writing extracted game data below a host directory: names from packages and
// archives use "\" and must stay inside the directory they are extracted to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace setuptool {

// Whether an entry name stays inside its directory: not empty, no drive or ":", no
// leading separator, no component made only of dots.
bool IsSafeRelativeName(std::string_view name);
// Writes the bytes to windowsDir + "\" + name, creating the folders on the way;
// false with problem set when it cannot.
bool WriteBelow(const std::string& windowsDir, std::string_view name, const std::vector<uint8_t>& bytes,
                std::string* problem);
// Creates a directory and its missing parents (Windows path).
bool MakeDirectories(const std::string& windowsPath);

}  // namespace setuptool
