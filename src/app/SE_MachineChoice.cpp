#include "app/SE_MachineChoice.h"

#include <cstdio>
#include <string>
#include <vector>

#include "engine/SE_Uninstaller.h"
#include "package/ZTI_PakFile.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "script/ZTI_GameStores.h"
#include "script/ZTI_SetupInfo.h"
#include "stores/GamePrefixes.h"

namespace {

// What the package says about the game, read before verification: a package that
// cannot say stops start-up later with its own message.
struct TPackageIdentity {
  TSetupInfo Info;
  TGameStoreIds Stores;
};

std::optional<TPackageIdentity> PeekPackage(const std::string& path) {
  try {
    TPak pak;
    pak.Create(path, false, false);
    if (!pak.Header().IsPackage()) return std::nullopt;
    const TFoundEntry info = pak.FindEntry("SetupInfo", 0);
    if (!info.Data) return std::nullopt;
    TSetupInfoFile file;
    file.LoadFromBuffer(info.Data->data(), info.Data->size());
    TPackageIdentity identity{file.Info, {}};
    if (const TFoundEntry stores = pak.FindEntry(kGameStoresEntryName, 0); stores.Data)
      identity.Stores = LoadGameStoreIds(stores.Data->data(), stores.Data->size());
    return identity;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

int Stop(const std::string& text) {
  platform::ShowMessageBox(text, "Error", platform::MessageButtons::Ok, platform::MessageIcon::Error);
  return platform::kExitStartupStop;
}

// Works on the prefix, unless a program of it runs: its Wine server would write its
// own copy of the registry back over the setup's.
std::optional<int> Use(const std::string& folder) {
  if (platform::PrefixServerRuns(folder))
    return Stop("The Wine prefix " + folder +
                " is in use: the game or another program of the prefix runs.\rClose the game first, then "
                "start the setup again.");
  platform::UseMachine(folder);
  return std::nullopt;
}

std::string HostFolderOf(const std::string& path) {
  std::string host = platform::HostPathOf(platform::WindowsPathOf(path)).value_or(path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  return host;
}

std::optional<int> UseNamedPrefix(const std::string& named) {
  const std::string folder = HostFolderOf(named);
  // Steam makes its prefixes itself, on the game's first start; a half-made one is
  // Steam's to finish.
  if (folder.find("/steamapps/compatdata/") != std::string::npos && !platform::IsLaidOutPrefix(folder))
    return Stop("The Wine prefix " + folder +
                " is a Steam prefix that Steam has not made yet.\rStart the game once through Steam so "
                "that its prefix exists, then start the setup again.");
  return Use(folder);
}

std::string Listed(const TGamePrefix& prefix) {
  return prefix.Folder + "\t" + prefix.Store + "\t" + prefix.Why;
}

int NoPrefix(const TPackageIdentity& identity, const TPrefixSearch& search) {
  std::string text =
      "No Wine prefix that holds the game of " + identity.Info.SetupName + " was found.\rLooked in:";
  for (const std::string& place : search.LookedIn) text += "\r  " + place;
  if (!identity.Stores.SteamAppIds.empty())
    text += "\rStart the game once through Steam so that its prefix exists, or";
  text += "\rname the game's prefix with --prefix DIR (or WINEPREFIX).";
  return Stop(text);
}

std::optional<int> PickOne(const TPrefixSearch& search, bool unattended) {
  if (unattended) {
    std::fprintf(stderr, "setup: several Wine prefixes hold the game; choose one with --prefix DIR:\n");
    for (const TGamePrefix& prefix : search.Holding) std::fprintf(stderr, "%s\n", Listed(prefix).c_str());
    return platform::kExitStartupStop;
  }
  std::vector<std::string> rows;
  for (const TGamePrefix& prefix : search.Holding) rows.push_back(Listed(prefix));
  const std::optional<size_t> chosen = platform::ShowListChoice(
      "Several Wine prefixes hold the game. Choose the game's prefix:", "Wine prefix", rows);
  if (!chosen || *chosen >= search.Holding.size()) return platform::kExitCancelled;
  return Use(search.Holding[*chosen].Folder);
}

// One prefix found is used and named; of several the player picks one; none stops.
std::optional<int> UseFound(const TPackageIdentity& identity, const TPrefixSearch& search, bool unattended) {
  if (search.Holding.empty()) return NoPrefix(identity, search);
  if (search.Holding.size() > 1) return PickOne(search, unattended);
  const TGamePrefix& chosen = search.Holding.front();
  std::fprintf(stderr, "Wine prefix: %s (%s: %s)\n", chosen.Folder.c_str(), chosen.Store.c_str(),
               chosen.Why.c_str());
  return Use(chosen.Folder);
}

// An uninstaller removes from the prefix it sits in; one left in a game's folder outside
// its prefix (a Steam game's) looks for the prefix that registered it.
std::optional<int> UsePrefixHolding(const std::string& package, const TPackageIdentity& identity,
                                    bool unattended) {
  std::string folder = HostFolderOf(package);
  for (size_t slash = folder.rfind('/'); slash != std::string::npos && slash > 0; slash = folder.rfind('/')) {
    folder.resize(slash);
    if (platform::IsLaidOutPrefix(folder)) return Use(folder);
  }
  const TPrefixSearch search = FindGamePrefixes(
      {identity.Stores.SteamAppIds, 0, kUninstallKeyPath + identity.Info.ShortName, "UninstallString"});
  return UseFound(identity, search, unattended);
}

}  // namespace

std::optional<int> ChooseSetupMachine(const TSetupOptions& options, bool unattended) {
  if (options.prefix) return UseNamedPrefix(*options.prefix);
  if (!platform::MachineChoiceOpen()) return std::nullopt;
  const std::string package = options.package ? *options.package : platform::OwnExecutablePath();
  const std::optional<TPackageIdentity> identity = PeekPackage(package);
  if (!identity) return std::nullopt;
  if (identity->Info.Uninstall == 1) return UsePrefixHolding(package, *identity, unattended);
  const TREGKEY& reg = identity->Info.InstallDirRegKey;
  const TPrefixSearch search = FindGamePrefixes({identity->Stores.SteamAppIds, reg.HKEY, reg.Path, reg.Key});
  return UseFound(*identity, search, unattended);
}
