// Undoing one recorded item of the uninstall list. The uninstallation page walks the
// lists (files in order, directories last recorded first, then registry entries) and
// calls these, showing its own progress between items; missing files, directories
// that still hold something and missing keys are passed over.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "script/SE_MadeFileStamps.h"
#include "script/SE_RegistryOldValues.h"

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
// every run, and where this one recorded what it wrote (script/SE_WrittenRecords.h),
// by content: a later one's copy is this one's version only when it is exactly what
// this one wrote.
//
// The rules for a file whose original this one kept, with what it wrote recorded:
// - a later add-on's copy that is exactly what this one wrote gets the original (the
//   file in place is that add-on's and stays);
// - else the file in place, when it is still exactly what this one wrote, gets the
//   original back; when it is missing, too (nothing newer is lost by that);
// - else the file in place is newer than this add-on (a game update, the player's
//   own change): it stays, the original is dropped, and the file is named in
//   KeptFilesText.
// A file this one made goes the same way: a later add-on's copy of it goes, else the
// file goes while it is still what this one wrote (its line in the made-file record,
// script/SE_MadeFileStamps.h), else it is newer and stays.
// Without a record (an older setup's backups) the original is put back, or a made file
// deleted, as before; so is every made file when the record is refused as damaged
// (KeptFilesText says so).
//
// What is done for one file item, decided before it is done, so that an uninstaller
// killed part-way can take the step again exactly as decided: each is safe to repeat
// (an original already back, or a file already gone, is passed over).
enum class TFileAction : char {
  Restore = 'r',    // the original at from takes the file's place (path)
  Remove = 'd',     // the file at path goes
  HandOn = 'h',     // the original at from takes the place of a later add-on's copy (path)
  DropCopy = 'x',   // a later add-on's copy (path) of a file this one made goes
  KeepNewer = 'k',  // the file at path changed since and stays; its original at from (if any) goes
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
  // The step for one file item of the install log: handed on or kept as above, else as
  // RestoreOrRemoveRecordedFile with this installation's backup folder.
  TFileStep Plan(const std::string& item) const;
  // Takes a step, noting a file kept for KeptFilesText. True when something was done.
  bool Take(const TFileStep& step);
  // Plan and Take in one.
  bool Uninstall(const std::string& item);
  const std::string& BackupFolderPath() const { return backups_; }
  // The files kept because they changed since the add-on was installed, one a line
  // ("\r" between them): "\"C:\Games\x.dat\" kept: changed since the add-on was
  // installed", after a line on a made-file record that was refused. Empty when none was.
  std::string KeptFilesText() const;

 private:
  std::string backups_;
  TMadeFileStamps made_;
  std::string madeProblem_;                // why the made-file record was refused
  std::vector<std::string> laterBackups_;  // the later add-ons' backup folders, oldest first
  std::vector<std::string> kept_;
};

// The registry step of the uninstaller of the installation (installDir, prefix): a
// value the add-on wrote over gets its old data back while it still holds what the
// add-on wrote, and a value it made is deleted then; a value changed since stays as it
// is, and when another add-on wrote over it, that one's old data (or that the value
// did not exist) becomes this one's (HandOldDataOn); a value without a record (an
// older setup's) is deleted (RemoveRecordedRegistryValue). The records of old data
// are read when it is made, so the backup folder may go before the registry step.
class TRegistryUninstaller {
 public:
  TRegistryUninstaller(const std::string& installDir, const std::string& prefix);
  // One registry entry line of the install log; true when the value was given back or
  // deleted.
  bool Uninstall(const std::string& line) const;

 private:
  std::string installDir_, prefix_;
  std::vector<TOldRegistryValue> oldValues_;
};

// The values (RegistryValueId) that the install log of (directory, prefix) names;
// none when there is no log.
std::unordered_set<std::string> RegistryValuesOf(const std::string& directory, const std::string& prefix);

// Removes the directory (used as recorded) when it exists and is empty.
bool RemoveRecordedDirectory(const std::string& item);
// Deletes the value the line names, when its key opens; keys are never deleted.
bool RemoveRecordedRegistryValue(const std::string& line);
