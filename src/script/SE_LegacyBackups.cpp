#include "script/SE_LegacyBackups.h"

#include <map>
#include <vector>

#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunFiles.h"
#include "script/SE_SetAside.h"
#include "script/SE_TextHelpers.h"
#include "script/SE_TrustedState.h"

namespace {

constexpr std::string_view kInstallDirVariable = "$instdir";

// The files below a folder, by their path relative to it; links are neither entered
// nor listed.
void ListRealFiles(const std::string& folder, const std::string& relative, std::vector<std::string>& files) {
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(folder)) {
    if (entry.isLink) continue;
    const std::string path = relative.empty() ? entry.name : relative + "\\" + entry.name;
    if (entry.isDirectory) ListRealFiles(folder + "\\" + entry.name, path, files);
    else files.push_back(path);
  }
}

// Where below a backup folder MirrorPath keeps a folded item, lower-cased.
std::string MirrorKey(const std::string& foldedItem) {
  const std::string mirror = MirrorPath("", foldedItem);
  return platform::AsciiLower(mirror.substr(1));  // without the "\" MirrorPath puts first
}

}  // namespace

bool IsInsideInstallDir(const std::string& foldedItem) {
  const std::string item = platform::AsciiLower(foldedItem);
  if (item.compare(0, kInstallDirVariable.size(), kInstallDirVariable) != 0) return false;
  std::string rest = item.substr(kInstallDirVariable.size());
  while (!rest.empty() && rest.front() == '\\') rest.erase(rest.begin());
  return rest.find('$') == std::string::npos && IsSafeEntryName(rest);
}

void TakeOverLegacyBackups(TSetupRun& run, const std::unordered_set<std::string>& installedFiles) {
  const std::string legacy = LegacyBackupFolder(run.InstallDir(), run.Prefix());
  if (!platform::DirectoryExists(legacy)) return;
  std::map<std::string, std::string> wanted;  // mirror key -> item
  for (const std::string& item : installedFiles)
    if (IsInsideInstallDir(item)) wanted.emplace(MirrorKey(item), item);
  std::vector<std::string> files;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(ExtractFileDir(legacy)))
    if (platform::SameTextAscii(entry.name, ExtractFileName(legacy)) && entry.isDirectory && !entry.isLink)
      ListRealFiles(legacy, "", files);
  const std::string backups = BackupFolder(run.InstallDir(), run.Prefix());
  for (const std::string& file : files) {
    const auto found = wanted.find(platform::AsciiLower(file));
    if (found == wanted.end()) continue;
    const std::string kept = MirrorPath(backups, found->second);
    if (platform::FileExists(kept)) continue;  // an original of its own comes first
    MakeDirectoriesOfRun(ExtractFileDir(kept));
    const std::string old = legacy + "\\" + file;
    run.Note({'R', {old, kept, "1"}}, true);
    SetAsideForReplacement(old, kept);
  }
}

void RemoveLegacyBackups(const std::string& installDir, const std::string& prefix) {
  RemoveTree(LegacyBackupFolder(installDir, prefix));
}
