// The environment variables a Windows program finds in a Wine prefix ("%USERPROFILE%"
// and its kind), for the registry values that are stored unexpanded (REG_EXPAND_SZ),
// such as the temporary folder and the user's shell folders.
#pragma once

#include <optional>
#include <string>

namespace platform::posix {

// The value of a variable (name without regard to case), or nothing.
std::optional<std::string> WindowsEnvironmentValue(const std::string& name);

// Replaces each "%NAME%" whose variable is known; others stay as they are.
std::string ExpandWindowsEnvironment(const std::string& text);

}  // namespace platform::posix
