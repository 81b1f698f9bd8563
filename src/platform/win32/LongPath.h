// The form of a path the W functions take: the program's 8-bit path as UTF-16, with
// the "\\?\" prefix added only where it is needed and safe — a path longer than the
// classic limit that is already absolute and normalised (no "." or ".." parts, "\"
// separators), since the prefix turns off the system's own normalisation.
#pragma once

#include <string>

namespace platform::win32 {

std::wstring SystemPath(const std::string& path);

}  // namespace platform::win32
