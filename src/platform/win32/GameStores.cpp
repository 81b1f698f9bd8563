// The stores' places on Windows: Steam names its own folder in the user's registry.
#include "platform/GameStores.h"

#include <algorithm>

#include "platform/Files.h"
#include "platform/Registry.h"

namespace platform {

std::vector<std::string> SteamRootFolders() {
  const auto key = RegistryKey::Open(RegistryRoot::CurrentUser, "Software\\Valve\\Steam", false);
  if (!key) return {};
  const auto path = key->ReadString("SteamPath");
  if (!path || path->empty()) return {};
  return {*path};
}

std::string StoreHomeFolder() { return {}; }

std::string StorePathOf(const std::string& storePath) {
  std::string path = WindowsPathOf(storePath);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

}  // namespace platform
