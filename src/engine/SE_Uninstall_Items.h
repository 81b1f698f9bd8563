// Undoing one recorded item of the uninstall list. The uninstallation page walks the
// lists (files in order, directories last recorded first, then registry entries) and
// calls these, showing its own progress between items; missing files, directories
// that still hold something and missing keys are passed over.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

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
// The file step of the uninstaller of the installation (installDir, prefix), when
// other add-ons may live in the same folder, each with its own prefix and backup
// folder. When another one replaced a file after this one did, it keeps this one's
// version as its original and the file in place is its own, which stays: what this
// one kept then takes the place of that copy (for a file this one made, the copy
// goes), so that the game gets its file back whichever add-on goes last. Which add-on
// came after which is told by the times of their install logs, written at the end of
// every run.
// What is done for one file item, decided before it is done, so that an uninstaller
// killed part-way can take the step again exactly as decided: each is safe to repeat
// (an original already back, or a file already gone, is passed over).
enum class TFileAction : char {
  Restore = 'r',   // the original at from takes the file's place (path)
  Remove = 'd',    // the file at path goes
  HandOn = 'h',    // the original at from takes the place of a later add-on's copy (path)
  DropCopy = 'x',  // a later add-on's copy (path) of a file this one made goes
};
struct TFileStep {
  TFileAction action = TFileAction::Remove;
  std::string path;
  std::string from;
};
// Takes the step; true when something was done.
bool TakeFileStep(const TFileStep& step);

class TFileUninstaller {
 public:
  TFileUninstaller(const std::string& installDir, const std::string& prefix);
  // The step for one file item of the install log: handed on as above, else as
  // RestoreOrRemoveRecordedFile with this installation's backup folder.
  TFileStep Plan(const std::string& item) const;
  // Plan and TakeFileStep in one. True when something was done.
  bool Uninstall(const std::string& item) const;
  const std::string& BackupFolderPath() const { return backups_; }

 private:
  std::string backups_;
  std::vector<std::string> laterBackups_;  // the later add-ons' backup folders, oldest first
};

// Removes the directory (used as recorded) when it exists and is empty.
bool RemoveRecordedDirectory(const std::string& item);
// Deletes the value the line names, when its key opens; keys are never deleted.
bool RemoveRecordedRegistryValue(const std::string& line);
