// The registry entry line: how a registry value written by the installation is
// recorded for its uninstaller, four double-quoted fields separated by blanks: the
// root name as written, the key, the value name and the data as written before
// expansion ("HKLM" "Software\Demo" "Path" "$INSTDIR"). The line has no escape for a
// double quote, so a field holding one would be split elsewhere when the uninstaller
// reads it back (and another value deleted): such a value is refused when the setup
// is packed and again when it runs, before anything is written.
#pragma once

#include <optional>
#include <string>

std::string RegistryEntryLine(const std::string& root, const std::string& key, const std::string& name,
                              const std::string& data);

// Nothing when the four fields fit the line; else why not, naming the field
// ("the value name Ver"sion" holds a double quote, which the install log cannot
// record").
std::optional<std::string> RegistryEntryProblem(const std::string& root, const std::string& key,
                                                const std::string& name, const std::string& data);
