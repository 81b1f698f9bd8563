// Undoing one recorded item of the uninstall list. The uninstallation page walks the
// lists (files in order, directories last recorded first, then registry entries) and
// calls these, showing its own progress between items; missing files, directories
// that still hold something and missing keys are passed over.
#pragma once

#include <array>
#include <string>
#include <string_view>

// A registry entry line split into its four fields (root name, key, value name,
// data): a field ends at a blank or tab outside double quotes, the quotes are
// removed, runs of blanks between fields count once, and fields past the fourth are
// ignored. Missing fields are empty.
std::array<std::string, 4> SplitRegistryEntryLine(std::string_view line);

// Deletes the file the item names after expanding its path variables with this
// machine's values; true when a file was deleted.
bool RemoveRecordedFile(const std::string& item);
// The same, for an installation that kept originals in backupFolder
// (script/SE_RunChanges.h): when the folder holds the original of the item's file,
// the original is put back in its place instead; true when either was done.
bool RestoreOrRemoveRecordedFile(const std::string& item, const std::string& backupFolder);
// Removes the directory (used as recorded) when it exists and is empty.
bool RemoveRecordedDirectory(const std::string& item);
// Deletes the value the line names, when its key opens; keys are never deleted.
bool RemoveRecordedRegistryValue(const std::string& line);
