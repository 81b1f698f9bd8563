#include "stores/SteamLibraries.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/GameStores.h"
#include "stores/StoreFiles.h"

namespace {

bool IsNumber(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsPlainFolderName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("/\\:") == std::string_view::npos;
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

// Two spellings of one folder: Steam writes its own folder in lower case on Windows.
bool SameFolder(const std::string& a, const std::string& b) {
  return platform::SameTextAscii(platform::StorePathOf(a), platform::StorePathOf(b));
}

// Whether the folder's entry of that name is a link: the folder is listed, as the
// name's own status would be the target's.
bool IsLinkIn(const std::string& folder, const std::string& name) {
  const std::string path = platform::StorePathOf(JoinStorePath(folder, name));
  const std::string shown = path.substr(path.find_last_of('\\') + 1);
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(platform::StorePathOf(folder)))
    if (entry.isLink && platform::SameTextAscii(entry.name, shown)) return true;
  return false;
}

}  // namespace

std::vector<std::string> LibrariesListedIn(const TVdfNode& file) {
  std::vector<std::string> libraries;
  const TVdfNode* list = file.Child("libraryfolders");
  if (!list || !list->IsBlock) return libraries;
  for (const TVdfNode& entry : list->Children) {
    if (!IsNumber(entry.Key)) continue;
    const std::optional<std::string> path = entry.IsBlock ? entry.ValueOf("path") : entry.Value;
    if (path && !path->empty()) libraries.push_back(WithoutTrailingSeparators(*path));
  }
  return libraries;
}

std::optional<std::string> ManifestInstallDir(const TVdfNode& manifest, std::string_view appId) {
  const TVdfNode* state = manifest.Child("AppState");
  if (!state || !state->IsBlock) return std::nullopt;
  if (state->ValueOf("appid") != std::optional<std::string>(appId)) return std::nullopt;
  std::optional<std::string> dir = state->ValueOf("installdir");
  if (!dir || !IsPlainFolderName(*dir)) return std::nullopt;
  return dir;
}

std::vector<std::string> SteamLibraryFolders(const std::vector<std::string>& roots) {
  std::vector<std::string> libraries;
  const auto add = [&](const std::string& folder) {
    for (const std::string& known : libraries)
      if (SameFolder(known, folder)) return;
    libraries.push_back(folder);
  };
  for (const std::string& root : roots) {
    add(WithoutTrailingSeparators(root));
    const std::string steamapps = JoinStorePath(root, "steamapps");
    std::optional<TVdfNode> file =
        ReadVdfFile(platform::StorePathOf(JoinStorePath(steamapps, "libraryfolders.vdf")));
    if (!file) file = ReadVdfFile(platform::StorePathOf(JoinStorePath(root, "config/libraryfolders.vdf")));
    if (file)
      for (const std::string& library : LibrariesListedIn(*file)) add(library);
  }
  return libraries;
}

std::vector<TSteamGame> FindSteamGames(const std::vector<std::string>& libraries,
                                       const std::vector<std::string>& appIds) {
  std::vector<TSteamGame> games;
  for (const std::string& library : libraries) {
    const std::string steamapps = JoinStorePath(library, "steamapps");
    for (const std::string& appId : appIds) {
      const std::string manifest = JoinStorePath(steamapps, "appmanifest_" + appId + ".acf");
      const std::optional<TVdfNode> parsed = ReadVdfFile(platform::StorePathOf(manifest));
      if (!parsed) continue;
      const std::optional<std::string> dir = ManifestInstallDir(*parsed, appId);
      if (!dir) continue;
      const std::string common = JoinStorePath(steamapps, "common");
      const std::string folder = JoinStorePath(common, *dir);
      if (!platform::DirectoryExists(platform::StorePathOf(folder))) continue;
      games.push_back({appId, library, manifest, folder, IsLinkIn(common, *dir)});
    }
  }
  return games;
}
