// The stores' places on Linux: Steam keeps one installation in the home folder, but
// reaches it through several names (~/.steam/root and ~/.steam/steam are links to the
// real folder), and the Flatpak and Snap packages keep theirs in their own sandboxes.
#include "platform/GameStores.h"

#include <sys/stat.h>

#include <cstdlib>
#include <memory>

#include "platform/Files.h"
#include "platform/posix/PathMap.h"

namespace platform {

namespace {

const char* const kSteamRootsBelowHome[] = {
    "/.steam/root",
    "/.steam/steam",
    "/.local/share/Steam",
    "/.steam/debian-installation",
    "/.var/app/com.valvesoftware.Steam/.local/share/Steam",
    "/.var/app/com.valvesoftware.Steam/data/Steam",
    "/snap/steam/common/.local/share/Steam",
};

std::optional<std::string> RealPathOf(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
  if (!real) return std::nullopt;
  return std::string(real.get());
}

bool IsHostDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string StoreHomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home == '/' ? std::string(home) : std::string();
}

std::vector<std::string> SteamRootFolders() {
  std::vector<std::string> roots;
  const std::string home = StoreHomeFolder();
  if (home.empty()) return roots;
  for (const char* below : kSteamRootsBelowHome) {
    const auto real = RealPathOf(home + below);
    if (!real || !IsHostDirectory(*real + "/steamapps")) continue;
    bool known = false;
    for (const std::string& root : roots) known = known || root == *real;
    if (!known) roots.push_back(*real);
  }
  return roots;
}

std::string StorePathOf(const std::string& storePath) { return posix::WindowsPathFromHost(storePath); }

}  // namespace platform
