// The record of what an installation created, for its uninstaller: files (with the
// installation directory and the shell folders folded back into "$INSTDIR",
// "$SMPROGRAMS", "$PROGRAMFILES"), registry entry lines and directories, each in the
// order of recording. Files and registry entries are kept once (compared after
// lower-casing A-Z); directories are kept as recorded, duplicates included.
//
// The install log, directory + "\" + prefix + "install.log", little-endian:
//   file count u16, registry count u16, directory count u16, then every item (files,
//   then registry entries, then directories): length u16 and the item's bytes
//   scrambled with AddKeyDigits under the install-log key, the key restarting at its
//   first digit for every item.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "script/SE_InstallRecorder.h"

struct TInstallLogLists {
  std::vector<std::string> Files;
  std::vector<std::string> RegistryEntries;
  std::vector<std::string> Directories;
};

// The log's bytes. Raises ESetupError when a list holds more than 65,535 items or an
// item is longer than 65,535 bytes, which the format cannot hold.
std::vector<uint8_t> SerializeInstallLog(const TInstallLogLists& lists);

struct TParsedInstallLog {
  TInstallLogLists lists;
  bool complete = true;  // false when the log ends before its last item
};
// Reads a log's bytes. A log that ends early gives the items it holds whole; a
// partial item is dropped and the lists not reached stay empty.
TParsedInstallLog ParseInstallLog(const uint8_t* data, size_t size);

class TUninstallList : public TInstallRecorder {
 public:
  void Clear();

  bool HasFile(std::string_view path) const;
  // Folds the path's folders back into their variables and keeps it unless an equal
  // item (after lower-casing) is already there.
  void AddFile(const std::string& path) override;
  bool HasRegistryEntry(std::string_view line) const;
  void AddRegistryEntry(const std::string& line) override;
  // Always appended, as given.
  void AddDirectory(const std::string& path) override;

  const std::vector<std::string>& Files() const { return lists_.Files; }
  const std::vector<std::string>& RegistryEntries() const { return lists_.RegistryEntries; }
  const std::vector<std::string>& Directories() const { return lists_.Directories; }
  const TInstallLogLists& Lists() const { return lists_; }

  // directory + "\" + prefix + "install.log"
  static std::string LogPath(const std::string& directory, const std::string& prefix);
  // Writes the log, replacing an existing one in one step, and keeps its digest in the
  // trusted folder (engine/SE_InstallLogDigest.h). Raises ESetupError naming
  // the log when the lists do not fit the format (nothing is written then); a file
  // that cannot be written asks Retry/Cancel and Cancel raises ERunStopped.
  void Save(const std::string& directory, const std::string& prefix) const;
  // Replaces the lists with the log's; false (lists unchanged) when there is no log.
  // A log that ends early loads what it holds (see ParseInstallLog). Raises
  // ESetupError when the log exists but cannot be read.
  bool Load(const std::string& directory, const std::string& prefix);
  // Replaces the lists with those of a log's bytes read elsewhere (and checked there).
  void LoadFromBytes(const std::vector<uint8_t>& bytes);
  void Replace(TInstallLogLists lists);

 private:
  void Reindex();

  TInstallLogLists lists_;
  // Lower-cased items of Files and RegistryEntries, so recording stays linear.
  std::unordered_set<std::string> fileIndex_;
  std::unordered_set<std::string> registryIndex_;
};

// The file items (lower-cased) of the install log at directory + "\" + prefix +
// "install.log"; none when there is no log.
std::unordered_set<std::string> InstalledFilesOf(const std::string& directory, const std::string& prefix);

// The program's uninstall list.
TUninstallList& UninstallList();
