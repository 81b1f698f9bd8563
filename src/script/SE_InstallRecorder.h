// Recording what an installation creates, for the uninstaller. The package
// extraction, the file helpers and the commands record through these functions; the
// uninstall list (engine/) is installed as the recorder while the program runs, so
// the lower layers need not know it. Without a recorder nothing is recorded.
#pragma once

#include <string>

class TInstallRecorder {
 public:
  virtual ~TInstallRecorder() = default;
  // A file written by the installation (a Windows path; the recorder folds the path
  // variables back in).
  virtual void AddFile(const std::string& path) = 0;
  // A directory created by the installation, recorded as given.
  virtual void AddDirectory(const std::string& path) = 0;
  // A registry value written: four double-quoted fields, root, key, name, data.
  virtual void AddRegistryEntry(const std::string& line) = 0;
};

// Installs the recorder (not owned); null removes it.
void SetInstallRecorder(TInstallRecorder* recorder);
TInstallRecorder* InstallRecorder();

void RecordInstalledFile(const std::string& path);
void RecordCreatedDirectory(const std::string& path);
void RecordRegistryEntry(const std::string& line);
