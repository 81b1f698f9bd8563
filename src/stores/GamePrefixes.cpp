#include "stores/GamePrefixes.h"

#include <algorithm>
#include <functional>
#include <optional>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/GameStores.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "stores/LauncherConfigs.h"
#include "stores/SteamLibraries.h"
#include "stores/StoreFiles.h"

namespace {

struct TCandidate {
  std::string Folder;
  std::string Store;
};

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The entries of a host folder as host paths: files with the ending, or folders.
std::vector<std::string> HostEntries(const std::string& folder, const std::string& ending, bool folders) {
  std::vector<std::string> paths;
  const std::string programFolder = platform::StorePathOf(folder);
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(programFolder)) {
    if (entry.isDirectory != folders) continue;
    if (entry.name.size() < ending.size() ||
        !platform::SameTextAscii(entry.name.substr(entry.name.size() - ending.size()), ending))
      continue;
    if (auto host = platform::HostPathOf(programFolder + "\\" + entry.name)) paths.push_back(*host);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

class TPrefixFinder {
 public:
  explicit TPrefixFinder(const TPrefixQuery& query) : query_(query), home_(platform::StoreHomeFolder()) {}
  TPrefixSearch Run();

 private:
  void AddSteamPrefixes();
  void AddConfigured(const std::string& folder, const std::string& ending, const std::string& store,
                     const std::function<std::optional<std::string>(std::string_view)>& prefixOf);
  void AddBottles(const std::string& folder);
  void Consider(const TCandidate& candidate);
  bool HoldsRegistryValue(const std::string& folder) const;
  bool Known(const std::string& folder) const;

  const TPrefixQuery& query_;
  const std::string home_;
  std::vector<std::string> libraries_;
  TPrefixSearch result_;
};

bool TPrefixFinder::Known(const std::string& folder) const {
  return std::any_of(result_.Holding.begin(), result_.Holding.end(),
                     [&](const TGamePrefix& held) { return held.Folder == folder; });
}

void TPrefixFinder::AddSteamPrefixes() {
  if (query_.SteamAppIds.empty()) return;
  const std::vector<std::string> roots = platform::SteamRootFolders();
  if (roots.empty())
    result_.LookedIn.push_back(home_ + "/.local/share/Steam and Steam's other places: no Steam");
  libraries_ = SteamLibraryFolders(roots);
  for (const std::string& appId : query_.SteamAppIds) {
    const std::vector<TSteamGame> games = FindSteamGames(libraries_, {appId});
    for (const std::string& library : libraries_) {
      const std::string folder = JoinStorePath(library, "steamapps/compatdata/" + appId + "/pfx");
      result_.LookedIn.push_back(folder);
      if (games.empty() || Known(folder) || !platform::IsLaidOutPrefix(folder)) continue;
      result_.Holding.push_back(
          {folder, "Steam",
           "the Proton prefix of Steam app " + appId + ", installed in " + games.front().Folder});
    }
  }
}

bool TPrefixFinder::HoldsRegistryValue(const std::string& folder) const {
  if (query_.Key.empty() || !platform::PrefixRegistryMayHoldKey(folder, query_.Key)) return false;
  const platform::MachineChoiceState before = platform::CurrentMachineChoice();
  platform::UseMachine(folder);
  bool holds = false;
  if (const auto key =
          platform::RegistryKey::Open(platform::RegistryRootFromCode(query_.RootCode), query_.Key, false)) {
    const auto value = key->ReadString(query_.Value);
    holds = value && !value->empty();
  }
  platform::RestoreMachineChoice(before);
  return holds;
}

void TPrefixFinder::Consider(const TCandidate& candidate) {
  const std::string folder = WithoutTrailingSlashes(candidate.Folder);
  if (folder.empty() || folder.front() != '/' || Known(folder) || !platform::IsLaidOutPrefix(folder)) return;
  if (HoldsRegistryValue(folder))
    result_.Holding.push_back(
        {folder, candidate.Store, "its registry holds the setup's value " + query_.Value});
}

void TPrefixFinder::AddConfigured(
    const std::string& folder, const std::string& ending, const std::string& store,
    const std::function<std::optional<std::string>(std::string_view)>& prefixOf) {
  result_.LookedIn.push_back(folder);
  for (const std::string& file : HostEntries(folder, ending, false)) {
    const std::optional<std::string> text = ReadStoreFile(platform::StorePathOf(file));
    if (!text) continue;
    if (const std::optional<std::string> prefix = prefixOf(*text)) Consider({*prefix, store});
  }
}

void TPrefixFinder::AddBottles(const std::string& folder) {
  result_.LookedIn.push_back(folder);
  for (const std::string& bottle : HostEntries(folder, "", true)) Consider({bottle, "Bottles"});
}

TPrefixSearch TPrefixFinder::Run() {
  if (home_.empty()) return result_;
  AddSteamPrefixes();
  AddConfigured(home_ + "/.config/lutris/games", ".yml", "Lutris", LutrisPrefix);
  AddConfigured(home_ + "/.local/share/lutris/games", ".yml", "Lutris", LutrisPrefix);
  AddConfigured(home_ + "/.config/heroic/GamesConfig", ".json", "Heroic", HeroicPrefix);
  AddConfigured(home_ + "/.var/app/com.heroicgameslauncher.hgl/config/heroic/GamesConfig", ".json", "Heroic",
                HeroicPrefix);
  AddBottles(home_ + "/.local/share/bottles/bottles");
  AddBottles(home_ + "/.var/app/com.usebottles.bottles/data/bottles/bottles");
  result_.LookedIn.push_back(home_ + "/.wine");
  Consider({home_ + "/.wine", "Wine"});
  return result_;
}

}  // namespace

TPrefixSearch FindGamePrefixes(const TPrefixQuery& query) { return TPrefixFinder(query).Run(); }
