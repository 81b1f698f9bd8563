// Registry values the game (or anything else) had before the add-on wrote over them.
// The add-on's backup folder keeps, in the file "~registry", one line per such value:
// its root code, key, name, the data it had before and the data the add-on wrote,
// tab-separated ("%" escapes a tab, a line break or "%" in a field). A value that did
// not exist before the add-on made it has a sixth field, "absent", and empty old data;
// readers that know only five fields pass such a line over and delete the value, as
// before. The uninstaller gives the old data back (or deletes a value that did not
// exist) while the value still holds what the add-on wrote; a value changed since
// stays as it is.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct TOldRegistryValue {
  int root = 0;
  std::string key, name;
  std::optional<std::string> oldData;  // before the add-on's first write; none: it did not exist
  std::string written;                 // the add-on's last write, expanded
};

// One value, however its key and name are spelled (letter case, a trailing "\").
std::string RegistryValueId(int root, const std::string& key, const std::string& name);

std::string SerializeOldRegistryValues(const std::vector<TOldRegistryValue>& values);
// Lines that hold neither five fields nor six ending in "absent" are passed over.
std::vector<TOldRegistryValue> ParseOldRegistryValues(const std::string& text);
// The records of the add-on whose backup folder this is; none when there are none.
std::vector<TOldRegistryValue> OldRegistryValuesOf(const std::string& backupFolder);

// The add-ons of one game folder that write over one value form a chain: each one's
// old data is what the one before it wrote (the first one's, the game's data). When an
// add-on leaves the chain from the middle (it is uninstalled, or installed again and
// so goes to the top), the add-on right above it, whose old data is exactly what this
// one wrote, is given this one's old data instead: HandOldDataOn. "Did not exist" is
// handed on the same way, so that the last add-on over a value one of them made
// deletes it.

// Writes the value as WriteRegistryStringOfRun does; inside a run, a value that was
// there before (and is not the add-on's own from an earlier run, which the run's
// install log names) has its old data recorded, a value that was not there is recorded
// as made by the add-on, and a value recorded before has what the add-on now wrote
// updated. When such a value no longer holds what the add-on wrote before (another
// add-on, the game or the player wrote or deleted it since), what it holds becomes the
// add-on's old data, and the old data kept before is handed on.
void WriteRegistryStringKeepingOld(int rootCode, const std::string& key, const std::string& name,
                                   const std::string& data);

// Another add-on of installDir (not prefix) whose old data of the value (id) is
// exactly written, this one's data, gets oldData, what this one found there, instead.
// Within a run the change is undone with the run. Raises ERunStopped when the
// records cannot be written and the user cancels.
void HandOldDataOn(const std::string& installDir, const std::string& prefix, const std::string& id,
                   const std::string& written, const std::optional<std::string>& oldData);
