// The setup information record: the identity of one setup (titles, executable and
// uninstaller names, default installation directory and where the real one is found
// in the registry, change log) and the two flags that make the program an installer
// or an uninstaller. Stored in the package as the group-0 entry "SetupInfo".
//
// Entry format, no header: eleven length-prefixed strings and three bytes, in the
// order SetupName, ShortName, SetupExeName, UninstallExeName, UninstallPrefix,
// InstallDir, Changelog, InstallDirRegKey.HKEY (byte), InstallDirRegKey.Path,
// InstallDirRegKey.Key, Pages, UninstallPages, Uninstall (byte), MakeUninstaller
// (byte). A record of empty strings and zero flags is 25 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TREGKEY {
  uint8_t HKEY = 0;  // root code 0-4 (see SE_RegistryRoots.h)
  std::string Path;  // key path below the root
  std::string Key;   // value name inside the key

  bool operator==(const TREGKEY&) const = default;
};

struct TSetupInfo {
  std::string SetupName;
  std::string ShortName;
  std::string SetupExeName;
  std::string UninstallExeName;
  std::string UninstallPrefix;  // put in front of "install.log"
  std::string InstallDir;       // the installation directory of the whole run
  TREGKEY InstallDirRegKey;
  std::string Changelog;
  std::string Pages;
  std::string UninstallPages;
  uint8_t Uninstall = 0;        // 1: the package uninstalls
  uint8_t MakeUninstaller = 0;  // 1: save the install log and build an uninstaller

  bool operator==(const TSetupInfo&) const = default;
};

class TSetupInfoFile {
 public:
  TSetupInfo Info;

  // Replaces every field from the entry's bytes. A record that ends early loads the
  // fields it holds; the rest are left empty or 0.
  void LoadFromBuffer(const uint8_t* data, size_t size);
  // The entry's bytes. Raises ESetupError for a string longer than 65,535 bytes.
  std::vector<uint8_t> SaveToBytes() const;
  // Writes the entry's bytes to a new (or emptied) file; false when the file cannot
  // be created or written.
  bool SaveToFile(const std::string& path) const;
};

// The program's setup information.
TSetupInfoFile& SetupInfoFile();
