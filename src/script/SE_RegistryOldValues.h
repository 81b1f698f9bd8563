// Registry values the game (or anything else) had before the add-on wrote over them.
// The add-on's backup folder keeps, in the file "~registry", one line per such value:
// its root code, key, name, the data it had before and the data the add-on wrote,
// tab-separated ("%" escapes a tab, a line break or "%" in a field). The uninstaller
// gives the old data back while the value still holds what the add-on wrote; a value
// changed since stays as it is. A value that did not exist before is not listed: the
// uninstaller deletes it, as always.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct TOldRegistryValue {
  int root = 0;
  std::string key, name;
  std::string oldData;  // before the add-on's first write
  std::string written;  // the add-on's last write, expanded
};

// One value, however its key and name are spelled (letter case, a trailing "\").
std::string RegistryValueId(int root, const std::string& key, const std::string& name);

std::string SerializeOldRegistryValues(const std::vector<TOldRegistryValue>& values);
// Lines that do not hold five fields are passed over.
std::vector<TOldRegistryValue> ParseOldRegistryValues(const std::string& text);
// The records of the add-on whose backup folder this is; none when there are none.
std::vector<TOldRegistryValue> OldRegistryValuesOf(const std::string& backupFolder);

// Writes the value as WriteRegistryStringOfRun does; inside a run, a value that was
// there before (and is not the add-on's own from an earlier run, which the run's
// install log names) has its old data recorded, and a value recorded before has what
// the add-on now wrote updated.
void WriteRegistryStringKeepingOld(int rootCode, const std::string& key, const std::string& name,
                                   const std::string& data);
