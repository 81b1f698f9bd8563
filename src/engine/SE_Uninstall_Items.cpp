#include "engine/SE_Uninstall_Items.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "engine/SE_Uninstall_List.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "script/SE_RegistryAccess.h"
#include "script/SE_PathVariables.h"
#include "script/SE_RegistryRoots.h"
#include "script/SE_RunChanges.h"
#include "script/SE_SetAside.h"
#include "script/SE_TrustedState.h"

std::array<std::string, 4> SplitRegistryEntryLine(std::string_view line) {
  std::array<std::string, 4> fields;
  size_t at = 0;
  for (std::string& field : fields) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    bool quoted = false;
    for (; at < line.size(); ++at) {
      const char c = line[at];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == ' ' || c == '\t')) {
        break;
      } else {
        field += c;
      }
    }
  }
  return fields;
}

bool RemoveRecordedFile(const std::string& item) {
  const std::string path = ExpandVariables(std::string_view(item));
  return platform::FileExists(path) && platform::DeleteFileAt(path);
}

bool RestoreOrRemoveRecordedFile(const std::string& item, const std::string& backupFolder) {
  const std::string original = MirrorPath(backupFolder, item);
  if (!platform::FileExists(original)) return RemoveRecordedFile(item);
  const std::string path = ExpandVariables(std::string_view(item));
  if (platform::FileExists(path) && platform::IsReadOnly(path)) platform::SetReadOnly(path, false);
  return PutCopyBack(original, path);
}

namespace {

constexpr std::string_view kBackupFolderEnd = "backup";

std::string WithoutTrailingBackslashes(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

// When an installation's run last ended: its install log is written at the end of
// every run. Nothing when it has no log (it is gone, or it never finished).
std::optional<uint64_t> LastRunOf(const std::string& installDir, const std::string& prefix) {
  const auto facts = platform::FileFactsOf(TUninstallList::LogPath(installDir, prefix));
  if (!facts || facts->isDirectory) return std::nullopt;
  return facts->lastWriteTime;
}

}  // namespace

TFileUninstaller::TFileUninstaller(const std::string& installDir, const std::string& prefix) {
  const std::string folder = WithoutTrailingBackslashes(installDir);
  backups_ = BackupFolder(folder, prefix);
  const std::optional<uint64_t> ownRun = LastRunOf(folder, prefix);
  if (!ownRun) return;
  std::vector<std::pair<uint64_t, std::string>> later;
  // The other add-ons' backup folders sit beside this one's, in the trusted folder.
  const std::string states = GameFolderStatePath(folder);
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(states)) {
    const std::string& name = entry.name;
    if (!entry.isDirectory || entry.isLink || name.size() <= kBackupFolderEnd.size() ||
        !platform::SameTextAscii(name.substr(name.size() - kBackupFolderEnd.size()), kBackupFolderEnd))
      continue;
    const std::string other = name.substr(0, name.size() - kBackupFolderEnd.size());
    if (platform::SameTextAscii(other, prefix)) continue;
    const std::optional<uint64_t> otherRun = LastRunOf(folder, other);
    if (otherRun && *otherRun > *ownRun) later.emplace_back(*otherRun, states + "\\" + name);
  }
  std::sort(later.begin(), later.end());
  for (auto& [run, backups] : later) laterBackups_.push_back(std::move(backups));
}

TFileStep TFileUninstaller::Plan(const std::string& item) const {
  const std::string original = MirrorPath(backups_, item);
  for (const std::string& later : laterBackups_) {
    const std::string copy = MirrorPath(later, item);
    if (!platform::FileExists(copy)) continue;
    // The add-on that replaced the file next after this one: the file in place is
    // its own (or a still later one's) and stays. Its copy is this one's version:
    // the original this one kept takes its place, or, for a file this one made
    // itself, the copy goes, so that the other one's uninstaller removes the file.
    if (!platform::FileExists(original)) return {TFileAction::DropCopy, copy, {}};
    return {TFileAction::HandOn, copy, original};
  }
  const std::string path = ExpandVariables(std::string_view(item));
  if (platform::FileExists(original)) return {TFileAction::Restore, path, original};
  return {TFileAction::Remove, path, {}};
}

bool TFileUninstaller::Uninstall(const std::string& item) const { return TakeFileStep(Plan(item)); }

bool TakeFileStep(const TFileStep& step) {
  switch (step.action) {
    case TFileAction::Restore:
      // Without its original the file is back already: it is the game's and stays.
      if (!platform::FileExists(step.from)) return false;
      if (platform::FileExists(step.path) && platform::IsReadOnly(step.path))
        platform::SetReadOnly(step.path, false);
      return PutCopyBack(step.from, step.path);
    case TFileAction::HandOn:
      return platform::FileExists(step.from) && platform::ReplaceFileWith(step.from, step.path);
    case TFileAction::Remove:
    case TFileAction::DropCopy: return platform::FileExists(step.path) && platform::DeleteFileAt(step.path);
  }
  return false;
}

bool RemoveRecordedDirectory(const std::string& item) {
  return platform::DirectoryExists(item) && platform::RemoveEmptyDirectory(item);
}

bool RemoveRecordedRegistryValue(const std::string& line) {
  const auto fields = SplitRegistryEntryLine(line);
  const platform::RegistryRoot root = RootKeyFromCode(RootCodeFromName(fields[0]));
  WaitUntilRegistryCanBeChanged();
  auto key = platform::RegistryKey::Open(root, fields[1], /*create=*/false);
  if (!key) return false;
  const bool deleted = key->DeleteValue(fields[2]).Ok();
  key->Close();
  return deleted;
}
