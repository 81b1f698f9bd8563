// Writing extracted game data below a host directory: names from packages and
// archives use "\" and must stay inside the directory they are extracted to. And the
// first step of every ztp and vfs command: playing back a hot rollback journal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"

namespace setuptool {

// Whether an entry name stays inside its directory: not empty, no drive or ":", no
// leading separator, no component made only of dots.
bool IsSafeRelativeName(std::string_view name);
// Writes the bytes to windowsDir + "\" + name, creating the folders on the way, or
// says why it cannot.
platform::Status WriteBelow(const std::string& windowsDir, std::string_view name,
                            const std::vector<uint8_t>& bytes);
// Creates a directory and its missing parents (Windows path), or says which one
// could not be made and why.
platform::Status MakeDirectories(const std::string& windowsPath);

// Plays back the hot journal of the file named on the command line, saying so on
// stderr ("command: note"). False when the file could not be restored.
bool RecoverBeforeUse(const char* command, const std::string& argument);
// "ztp|vfs recover FILE": only that; one line on stdout ("restored", "removed torn
// journal" or "clean", a tab, the file). Exit status 0, or 1 when it failed.
int RecoverCommand(const char* command, const std::string& argument);

}  // namespace setuptool
