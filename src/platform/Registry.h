// The registry: five roots, keys below them, string values. On Linux the registry is
// the Wine prefix's text files (system.reg, user.reg, userdef.reg); every change is
// written to a temporary file and renamed into place under a lock, and lines that are
// not understood are kept byte for byte.
//
// Names and data are 8-bit Windows-1252 texts. Key paths use "\" and are matched
// without regard to case. The value name "" is the key's default value.
//
// Every operation that fails says why: the key or value and the system's reason
// ("the key HKEY_CURRENT_USER\Software\Game does not exist", "cannot write the value
// "Path" of ...: Access is denied"), or the damaged registry file.
#pragma once

#include <memory>
#include <string>

#include "platform/Result.h"

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

  // Opens root\path; with create, missing keys on the way are created.
  static Result<RegistryKey> Open(RegistryRoot root, const std::string& path, bool create);

  // False only for a key closed or moved from.
  bool IsOpen() const;
  // The string value; a failure says why there is none (missing, not a string).
  Result<std::string> ReadString(const std::string& name) const;
  Status WriteString(const std::string& name, const std::string& data);
  Status DeleteValue(const std::string& name);
  void Close();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The problem of a damaged registry file that reads of root\path went around (the
// file and line that cannot be understood), for a reader that should warn about it;
// empty when there is none (always, on Windows).
std::string RegistryDamageAt(RegistryRoot root, const std::string& path);

// Whether another program holds the registry in memory and would write its own copy
// back over a change made now: on Linux, a wineserver running for the prefix (while
// any Wine program of the prefix runs, and a few seconds after). Reading stays safe.
// On Windows the registry is the system's own, and the answer is always no.
bool RegistryHeldByRunningServer();

// Deletes root\path with its values (and, as on Windows NT, only when it has no
// sub-keys). Fails when it does not exist or cannot be deleted.
Status DeleteRegistryKey(RegistryRoot root, const std::string& path);

}  // namespace platform
