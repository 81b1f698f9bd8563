// Case-insensitive name lookups in host directories, with each directory's listing kept
// while its modification time stays the same. Extracting thousands of files into one
// folder then reads the folder once, not once per file: the changes this process makes
// are folded into the kept listing as they happen.
//
// A listing taken while the directory's time is still "now" (another process may add a
// name within the same clock tick without changing the time) is used once and not
// kept, as git treats racily clean index entries.
#pragma once

#include <optional>
#include <string>

namespace platform::posix {

// The existing name in hostDir that equals name without regard to case, if any.
// folderExists (when given) tells whether hostDir is a folder at all.
std::optional<std::string> FindNameIgnoringCase(const std::string& hostDir, const std::string& name,
                                                bool* folderExists = nullptr);

void CacheNoteAdded(const std::string& hostDir, const std::string& name);
void CacheNoteRemoved(const std::string& hostDir, const std::string& name);
void CacheNoteRenamed(const std::string& hostDir, const std::string& from, const std::string& to);

}  // namespace platform::posix
