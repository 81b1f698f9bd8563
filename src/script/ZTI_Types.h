// The records of the packaging file list: the files to be written as package
// entries, grouped by the file group that owns them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TFile {
  std::string Source;     // the file on the packaging machine (a Windows path)
  std::string EntryName;  // the package entry it becomes
  int32_t Group = 0;      // the entry's group number
};

struct TGroup {
  // Lower case. Empty for group 0 and for plain file groups; for an update group the
  // game package or archive it updates, so that groups naming the same target can
  // share their files.
  std::string Name;
  std::vector<TFile> Files;
};
