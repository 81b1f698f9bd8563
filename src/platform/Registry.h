// The registry: five roots, keys below them, string values. On Linux the registry is
// the Wine prefix's text files (system.reg, user.reg, userdef.reg); every change is
// written to a temporary file and renamed into place under a lock, and lines that are
// not understood are kept byte for byte.
//
// Names and data are 8-bit Windows-1252 texts. Key paths use "\" and are matched
// without regard to case. The value name "" is the key's default value.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace platform {

// Codes 0-4 are the program's stored root codes; None is the null root on which
// every operation fails.
enum class RegistryRoot {
  LocalMachine = 0,
  CurrentUser = 1,
  ClassesRoot = 2,
  Users = 3,
  CurrentConfig = 4,
  None = 255,
};

// The root for a stored code; None for a code outside 0-4.
RegistryRoot RegistryRootFromCode(int code);

// An open key. Move-only. Each operation reads the current state of the registry
// and writes its change through at once, so two processes do not lose each other's
// values.
class RegistryKey {
 public:
  RegistryKey();
  ~RegistryKey();
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;

  // Opens root\path; with create, missing keys on the way are created. A key that
  // does not open gives IsOpen() false.
  static RegistryKey Open(RegistryRoot root, const std::string& path, bool create);

  bool IsOpen() const;
  // The string value, or nothing when the value is missing or not a string.
  std::optional<std::string> ReadString(const std::string& name) const;
  bool WriteString(const std::string& name, const std::string& data);
  bool DeleteValue(const std::string& name);
  void Close();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Why the last registry operation of this thread failed ("the key ... does not
// exist", or the file and line of a registry file that cannot be read); after a read
// that succeeded, the problem of a damaged file it read around; otherwise empty.
std::string LastRegistryError();

// Whether another program holds the registry in memory and would write its own copy
// back over a change made now: on Linux, a wineserver running for the prefix (while
// any Wine program of the prefix runs, and a few seconds after). Reading stays safe.
// On Windows the registry is the system's own, and the answer is always no.
bool RegistryHeldByRunningServer();

// Deletes root\path with its values (and, as on Windows NT, only when it has no
// sub-keys). False when it does not exist or cannot be deleted.
bool DeleteRegistryKey(RegistryRoot root, const std::string& path);

}  // namespace platform
