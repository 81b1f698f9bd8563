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
#include "script/SE_WrittenRecords.h"

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
  platform::Result<TMadeFileStamps> made = MadeFileStampsOf(backups_);
  if (made) made_ = std::move(*made);
  else madeProblem_ = made.Problem();
  const std::optional<uint64_t> ownRun = LastRunOf(folder, prefix);
  if (!ownRun) return;
  std::vector<std::pair<uint64_t, std::string>> later;
  // The other add-ons' backup folders sit beside this one's, in the trusted folder.
  for (const std::string& other : OtherAddOnPrefixes(folder, prefix)) {
    const std::optional<uint64_t> otherRun = LastRunOf(folder, other);
    if (otherRun && *otherRun > *ownRun) later.emplace_back(*otherRun, BackupFolder(folder, other));
  }
  std::sort(later.begin(), later.end());
  for (auto& [run, backups] : later) laterBackups_.push_back(std::move(backups));
}

TFileStep TFileUninstaller::Plan(const std::string& item) const {
  const std::string original = MirrorPath(backups_, item);
  // The made file's stamp comes first (script/SE_WrittenRecords.h).
  std::optional<TFileStamp> written = made_.Find(item);
  if (!written) written = WrittenStampOf(backups_, item);
  for (const std::string& later : laterBackups_) {
    const std::string copy = MirrorPath(later, item);
    if (!platform::FileExists(copy)) continue;
    // A copy that is not what this one wrote was found there by the other add-on after
    // the game (or the player) had changed the file: it is newer than this one's
    // version and stays that add-on's original.
    if (written && MatchOfFile(copy, *written) != TStampMatch::Same) continue;
    // The add-on that replaced the file next after this one: the file in place is
    // its own (or a still later one's) and stays. Its copy is this one's version:
    // the original this one kept takes its place, or, for a file this one made
    // itself, the copy goes, so that the other one's uninstaller removes the file.
    if (!platform::FileExists(original)) return {TFileAction::DropCopy, copy, {}};
    return {TFileAction::HandOn, copy, original};
  }
  const std::string path = ExpandVariables(std::string_view(item));
  // A file that is no longer what this one wrote is newer than this add-on (a game
  // update, the player's own change): it stays, and the original, if any, goes.
  const bool newer = written && MatchOfFile(path, *written) == TStampMatch::Changed;
  if (!platform::FileExists(original))
    return {newer ? TFileAction::KeepNewer : TFileAction::Remove, path, {}};
  if (newer) return {TFileAction::KeepNewer, path, original};
  return {TFileAction::Restore, path, original};
}

bool TFileUninstaller::Take(const TFileStep& step) {
  if (step.action == TFileAction::KeepNewer) kept_.push_back(step.path);
  return TakeFileStep(step);
}

bool TFileUninstaller::Uninstall(const std::string& item) { return Take(Plan(item)); }

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
    case TFileAction::KeepNewer:
      return !step.from.empty() && platform::FileExists(step.from) && platform::DeleteFileAt(step.from);
    case TFileAction::Remove:
    case TFileAction::DropCopy: return platform::FileExists(step.path) && platform::DeleteFileAt(step.path);
  }
  return false;
}

std::string TFileUninstaller::KeptFilesText() const {
  // A refused record kept nothing: its files went as an older setup's do.
  std::string text = madeProblem_.empty()
                         ? std::string()
                         : "The record of the files the add-on made is not used: " + madeProblem_ +
                               ". They were removed as an older setup's are.";
  for (const std::string& path : kept_)
    text += (text.empty() ? "" : "\r") + ("\"" + path + "\" kept: changed since the add-on was installed");
  return text;
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

TRegistryUninstaller::TRegistryUninstaller(const std::string& installDir, const std::string& prefix)
    : installDir_(WithoutTrailingBackslashes(installDir)),
      prefix_(prefix),
      oldValues_(OldRegistryValuesOf(BackupFolder(installDir_, prefix))) {}

bool TRegistryUninstaller::Uninstall(const std::string& line) const {
  const auto fields = SplitRegistryEntryLine(line);
  const int rootCode = RootCodeFromName(fields[0]);
  const std::string id = RegistryValueId(rootCode, fields[1], fields[2]);
  for (const TOldRegistryValue& old : oldValues_) {
    if (RegistryValueId(old.root, old.key, old.name) != id) continue;
    WaitUntilRegistryCanBeChanged();
    auto key = platform::RegistryKey::Open(RootKeyFromCode(rootCode), fields[1], /*create=*/false);
    if (!key) return false;
    if (key->ReadString(fields[2]).AsOptional() == old.written) {
      if (!old.oldData) return key->DeleteValue(fields[2]).Ok();
      return key->WriteString(fields[2], *old.oldData).Ok();
    }
    // Another add-on's since, or the game's or the player's: it stays. An add-on that
    // wrote over this one's data finds there, once this one is gone, what this one did.
    try {
      HandOldDataOn(installDir_, prefix_, id, old.written, old.oldData);
    } catch (const ERunStopped&) {
      // Its records could not be written: it gives back this one's data in the end.
    }
    return false;
  }
  return RemoveRecordedRegistryValue(line);
}

std::unordered_set<std::string> RegistryValuesOf(const std::string& directory, const std::string& prefix) {
  std::unordered_set<std::string> ids;
  TUninstallList log;
  try {
    if (!log.Load(directory, prefix)) return ids;
  } catch (const std::exception&) {
    return ids;  // unreadable: nothing is known to be the add-on's own
  }
  for (const std::string& line : log.RegistryEntries()) {
    const auto fields = SplitRegistryEntryLine(line);
    ids.insert(RegistryValueId(RootCodeFromName(fields[0]), fields[1], fields[2]));
  }
  return ids;
}
