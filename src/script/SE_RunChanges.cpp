#include "script/SE_RunChanges.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_InstallRecorder.h"
#include "script/SE_Progress.h"
#include "script/SE_RegistryRoots.h"
#include "script/SE_TextHelpers.h"

namespace {

std::unique_ptr<TSetupRun>& ActiveRunSlot() {
  static std::unique_ptr<TSetupRun> run;
  return run;
}

TGameFileJournalHooks& GameHooks() {
  static TGameFileJournalHooks hooks;
  return hooks;
}

std::string WithoutTrailingBackslash(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

std::string DirectoryKey(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return platform::AsciiLower(path);
}

std::string UndoFolderOf(const std::string& installDir, const std::string& prefix) {
  return BackupFolder(installDir, prefix) + "\\~run";
}

// The directories of a path "X:\..." that do not exist yet, parents first.
std::vector<std::string> MissingDirectories(const std::string& path) {
  std::vector<std::string> missing;
  if (path.size() <= 3 || path[1] != ':' || path[2] != '\\') return missing;
  std::string current = path.substr(0, 3);
  for (size_t start = 3; start < path.size();) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      current.append(path, start, end - start);
      if (end < path.size()) current += '\\';
      // Spelled as ForceDirectory records it.
      if (!platform::DirectoryExists(current)) missing.push_back(current);
      if (current.back() != '\\') current += '\\';
    }
    start = end + 1;
  }
  return missing;
}

void PutBack(const std::string& path, const std::string& copy) {
  if (!platform::FileExists(copy)) return;  // never moved away, or already back
  if (platform::FileExists(path) && platform::IsReadOnly(path)) platform::SetReadOnly(path, false);
  if (!platform::ReplaceFileWith(copy, path) && !platform::FileExists(path)) platform::RenameFile(copy, path);
}

void UndoRegistryValue(const TRunRecord& record) {
  const platform::RegistryRoot root = RootKeyFromCode(ToIntOrMinusOne(record.Field(0)));
  if (record.Field(3) == "1") {
    if (auto key = platform::RegistryKey::Open(root, record.Field(1), true))
      static_cast<void>(key->WriteString(record.Field(2), record.Field(4)));
  } else {
    if (auto key = platform::RegistryKey::Open(root, record.Field(1), false))
      static_cast<void>(key->DeleteValue(record.Field(2)));
  }
}

// Takes back one record; false for a directory that could not go yet.
bool UndoRecord(const TRunRecord& record) {
  const std::string& path = record.Field(0);
  switch (record.kind) {
    case 'T':
    case 'F':
      if (platform::FileExists(path)) {
        if (platform::IsReadOnly(path)) platform::SetReadOnly(path, false);
        platform::DeleteFileAt(path);
      }
      return true;
    case 'R': PutBack(path, record.Field(1)); return true;
    case 'D': return !platform::DirectoryExists(path) || platform::RemoveEmptyDirectory(path);
    case 'K':
      static_cast<void>(platform::DeleteRegistryKey(RootKeyFromCode(ToIntOrMinusOne(path)), record.Field(1)));
      return true;
    case 'V': UndoRegistryValue(record); return true;
    case 'G':
      if (GameHooks().rollback) GameHooks().rollback(path);
      return true;
    default: return true;
  }
}

}  // namespace

std::string RunJournalPath(const std::string& installDir, const std::string& prefix) {
  return WithoutTrailingBackslash(installDir) + "\\" + prefix + "run.journal";
}

std::string BackupFolder(const std::string& installDir, const std::string& prefix) {
  return WithoutTrailingBackslash(installDir) + "\\" + prefix + "backup";
}

std::string MirrorPath(const std::string& folder, const std::string& foldedPath) {
  std::string relative;
  for (const char c : foldedPath)
    if (c != '$' && c != ':') relative += c;
  while (!relative.empty() && relative.front() == '\\') relative.erase(relative.begin());
  return folder + "\\" + relative;
}

void SetGameFileJournalHooks(TGameFileJournalHooks hooks) { GameHooks() = std::move(hooks); }

TSetupRun::TSetupRun(std::string installDir, std::string prefix,
                     std::unordered_set<std::string> previouslyInstalled)
    : givenInstallDir_(installDir),
      installDir_(WithoutTrailingBackslash(std::move(installDir))),
      prefix_(std::move(prefix)),
      previouslyInstalled_(std::move(previouslyInstalled)) {}

void TSetupRun::Begin() {
  // The journal needs its directory; what is made for it is undone like the rest.
  std::vector<std::string> made;
  for (const std::string& directory : MissingDirectories(givenInstallDir_)) {
    if (!platform::MakeDirectory(directory)) break;
    made.push_back(directory);
  }
  const std::string path = RunJournalPath(installDir_, prefix_);
  if (const platform::Status created = journal_.Create(path); !created) {
    for (auto it = made.rbegin(); it != made.rend(); ++it) platform::RemoveEmptyDirectory(*it);
    throw ERunStopped(CouldNotWrite(path, created.Problem()));
  }
  for (const std::string& directory : made) {
    Note({'D', {directory}}, false);
    premade_.insert(DirectoryKey(directory));
  }
}

// They are recorded for the uninstaller when ForceDirectory first reaches them, as if
// it had made them then, so the install log reads as it always has.
bool TSetupRun::ClaimPremadeDirectory(const std::string& directory) {
  return premade_.erase(DirectoryKey(directory)) != 0;
}

void TSetupRun::Note(TRunRecord record, bool durable) {
  if (const platform::Status appended = journal_.Append(record, durable); !appended)
    throw ERunStopped(CouldNotWrite(journal_.Path(), appended.Problem()));
  records_.push_back(std::move(record));
}

bool TSetupRun::CreatedByRun(const std::string& path) const {
  return created_.count(platform::AsciiLower(path)) != 0;
}

void TSetupRun::MarkCreated(const std::string& path) { created_.insert(platform::AsciiLower(path)); }

bool TSetupRun::InstalledBefore(const std::string& foldedPath) const {
  return previouslyInstalled_.count(platform::AsciiLower(foldedPath)) != 0;
}

void TSetupRun::FlushVolumeBeforeFinish(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':') volumesToFlush_.insert(platform::AsciiLower(path.substr(0, 3)));
}

void TSetupRun::MarkFinished() {
  // What the run placed must be on the disk before the record that keeps it. Where
  // the system does not let the volume be flushed, it writes it out on its own soon.
  for (const std::string& volume : volumesToFlush_) static_cast<void>(platform::FlushVolumeOf(volume));
  volumesToFlush_.clear();
  // From here on a kill is finished by the next start, not undone.
  Note({'C', {}}, true);
}

void TSetupRun::Finish() {
  journal_.Close();
  FinishRunRecords(records_, journal_.Path(), UndoFolderOf(installDir_, prefix_));
}

void TSetupRun::Undo() {
  journal_.Close();
  UndoRunRecords(records_, journal_.Path());
}

TSetupRun* ActiveRun() { return ActiveRunSlot().get(); }
void SetActiveRun(std::unique_ptr<TSetupRun> run) { ActiveRunSlot() = std::move(run); }
std::unique_ptr<TSetupRun> TakeActiveRun() { return std::move(ActiveRunSlot()); }

void UndoRunRecords(const std::vector<TRunRecord>& records, const std::string& journalPath) {
  std::vector<std::string> directoriesLeft;
  for (auto it = records.rbegin(); it != records.rend(); ++it)
    if (!UndoRecord(*it)) directoriesLeft.push_back(it->Field(0));
  if (platform::FileExists(journalPath)) platform::DeleteFileAt(journalPath);
  // The directories that held the journal (or a file in use) get a second chance.
  for (const std::string& directory : directoriesLeft)
    if (platform::DirectoryExists(directory)) platform::RemoveEmptyDirectory(directory);
}

void FinishRunRecords(const std::vector<TRunRecord>& records, const std::string& journalPath,
                      const std::string& undoFolder) {
  for (const TRunRecord& record : records)
    if (record.kind == 'G' && GameHooks().commit) GameHooks().commit(record.Field(0));
  if (platform::FileExists(journalPath)) platform::DeleteFileAt(journalPath);
  RemoveTree(undoFolder);
  // A backup folder that ended up empty (nothing was replaced) does not stay.
  const std::string backups = ExtractFileDir(undoFolder);
  if (platform::DirectoryExists(backups) && platform::ListDirectory(backups).empty())
    platform::RemoveEmptyDirectory(backups);
}

TRunRecovery RecoverInterruptedRun(const std::string& installDir, const std::string& prefix) {
  const std::string path = RunJournalPath(installDir, prefix);
  if (!platform::FileExists(path)) return TRunRecovery::None;
  const std::vector<TRunRecord> records = ReadRunJournal(path);
  const bool finished = !records.empty() && records.back().kind == 'C';
  if (finished) {
    SetStatusText(u"Finishing the interrupted installation...");
    FinishRunRecords(records, path, UndoFolderOf(installDir, prefix));
    return TRunRecovery::Finished;
  }
  SetStatusText(u"Undoing the interrupted installation...");
  UndoRunRecords(records, path);
  return TRunRecovery::Undone;
}

std::string CouldNotWrite(const std::string& what, const std::string& reason) {
  return "\"" + what + "\" could not be written: " + reason;
}

bool AskRetryAfterWriteFailure(const std::string& what, const std::string& reason, const std::string& noun) {
  const std::string message = "Unable to write " + noun + ":\"" + what + "\", " + reason + "...";
  return platform::ShowMessageBox(message, "Error", platform::MessageButtons::RetryCancel,
                                  platform::MessageIcon::Warning) == platform::MessageResult::Retry;
}
