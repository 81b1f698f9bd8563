// The form of a path the W functions take: the program's 8-bit path as UTF-16, with
// the "\\?\" prefix added only where it is needed and safe. The prefix lifts the
// classic length limit but also turns the system's own normalisation off, so it goes
// only before a long path that is absolute and normalised ("\" separators, no "." or
// ".." parts, no part ending in a dot or a space). A long path that is not yet in
// that form is first made so by the system's full-path rules, which are the rules a
// short path gets anyway.
#pragma once

#include <string>

namespace platform::win32 {

std::wstring SystemPath(const std::string& path);
std::wstring SystemPath(const std::wstring& path);

// The system's absolute form of a path (GetFullPathNameW), empty on failure.
std::wstring FullPathOf(const std::wstring& path);

}  // namespace platform::win32
