#include "script/SE_RunChanges.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_InstallRecorder.h"
#include "script/SE_LegacyBackups.h"
#include "script/SE_Progress.h"
#include "script/SE_RegistryRoots.h"
#include "script/SE_SetAside.h"
#include "script/SE_TextHelpers.h"
#include "script/SE_TrustedState.h"

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

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// One folder or file name of a mirrored path. A name the system would not keep as it
// is ("..", a trailing dot or blank, which Windows drops) could climb out of the backup
// folder or meet another name: it is kept as "~" and the hex digits of its bytes
// ("..": "~2E2E"). So is a name that starts with "~", so that no name meets an
// encoded one, nor the folder's own "~run". Other names stay as they are.
std::string MirroredComponent(std::string component) {
  const char last = component.back();
  if (component.front() != '~' && last != '.' && last != ' ') return component;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string coded = "~";
  for (const char c : component) {
    coded += kDigits[static_cast<uint8_t>(c) >> 4];
    coded += kDigits[static_cast<uint8_t>(c) & 15];
  }
  return coded;
}

platform::Status DeleteFileOfRun(const std::string& path) {
  if (!platform::FileExists(path)) return platform::Status::Success();  // never made, or already gone
  if (platform::IsReadOnly(path)) platform::SetReadOnly(path, false);
  if (platform::DeleteFileAt(path)) return platform::Status::Success();
  return platform::Status::SystemFailure(Quoted(path) + " could not be deleted");
}

platform::Status PutBack(const std::string& path, const std::string& copy) {
  if (!platform::FileExists(copy)) return platform::Status::Success();  // never moved away, or already back
  if (platform::FileExists(path) && platform::IsReadOnly(path)) platform::SetReadOnly(path, false);
  if (PutCopyBack(copy, path)) return platform::Status::Success();
  return platform::Status::SystemFailure(Quoted(path) + " could not be put back from " + Quoted(copy));
}

platform::Status UndoRegistryKey(const TRunRecord& record) {
  const platform::RegistryRoot root = RootKeyFromCode(ToIntOrMinusOne(record.Field(0)));
  if (!platform::RegistryKey::Open(root, record.Field(1), false)) return platform::Status::Success();
  return platform::DeleteRegistryKey(root, record.Field(1));
}

platform::Status UndoRegistryValue(const TRunRecord& record) {
  const platform::RegistryRoot root = RootKeyFromCode(ToIntOrMinusOne(record.Field(0)));
  if (record.Field(3) == "1") {
    auto key = platform::RegistryKey::Open(root, record.Field(1), true);
    return key ? key->WriteString(record.Field(2), record.Field(4)) : key.ToStatus();
  }
  auto key = platform::RegistryKey::Open(root, record.Field(1), false);
  if (!key) return platform::Status::Success();  // the key is gone, and the value with it
  const platform::Status deleted = key->DeleteValue(record.Field(2));
  // A value that is not there (never written, or already deleted) has nothing to undo.
  if (deleted || !key->ReadString(record.Field(2))) return platform::Status::Success();
  return deleted;
}

// Takes back one record other than a directory; a failure names what stays and why.
platform::Status UndoRecord(const TRunRecord& record) {
  const std::string& path = record.Field(0);
  switch (record.kind) {
    case 'T':
    case 'F': return DeleteFileOfRun(path);
    case 'R': return PutBack(path, record.Field(1));
    case 'K': return UndoRegistryKey(record);
    case 'V': return UndoRegistryValue(record);
    case 'G': return GameHooks().rollback ? GameHooks().rollback(path) : platform::Status::Success();
    default: return platform::Status::Success();
  }
}

// A journal whose records have all been taken back must not be taken back again by a
// later start: by then the player may have put files of his own where the run's were.
// One that cannot be deleted is emptied, and an empty journal takes back nothing.
platform::Status DiscardJournal(const std::string& journalPath) {
  if (!platform::FileExists(journalPath) || platform::DeleteFileAt(journalPath))
    return platform::Status::Success();
  const platform::Status notDeleted =
      platform::Status::SystemFailure(Quoted(journalPath) + " could not be deleted");
  platform::File journal = platform::File::Open(journalPath, platform::OpenMode::ReadWrite);
  if (journal.IsOpen() && journal.Seek(0) == 0 && journal.SetEndOfFile()) return platform::Status::Success();
  return notDeleted;
}

// A file left behind, a replaced file not back or a game file not restored leaves the
// game other than it was; a registry value does not touch the game's files.
bool TouchesTheGame(char kind) { return kind == 'T' || kind == 'F' || kind == 'R' || kind == 'G'; }

}  // namespace

std::string RunJournalPath(const std::string& installDir, const std::string& prefix) {
  return GameFolderStatePath(installDir) + "\\" + prefix + "run.journal";
}

std::string BackupFolder(const std::string& installDir, const std::string& prefix) {
  return GameFolderStatePath(installDir) + "\\" + prefix + "backup";
}

std::string MirrorPath(const std::string& folder, const std::string& foldedPath) {
  std::string mirrored = folder;
  for (size_t start = 0; start < foldedPath.size();) {
    size_t end = foldedPath.find_first_of("\\/", start);
    if (end == std::string::npos) end = foldedPath.size();
    std::string component;
    for (size_t i = start; i < end; ++i)
      if (foldedPath[i] != '$' && foldedPath[i] != ':') component += foldedPath[i];
    if (!component.empty()) mirrored += "\\" + MirroredComponent(std::move(component));
    start = end + 1;
  }
  return mirrored;
}

void SetGameFileJournalHooks(TGameFileJournalHooks hooks) { GameHooks() = std::move(hooks); }

TSetupRun::TSetupRun(std::string installDir, std::string prefix,
                     std::unordered_set<std::string> previouslyInstalled)
    : givenInstallDir_(installDir),
      installDir_(WithoutTrailingBackslash(std::move(installDir))),
      prefix_(std::move(prefix)),
      previouslyInstalled_(std::move(previouslyInstalled)) {}

void TSetupRun::Begin() {
  if (const platform::Status state = MakeGameFolderState(installDir_); !state)
    throw ERunStopped("the setup's records cannot be kept: " + state.Problem());
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
  TakeOverLegacyBackups(*this, previouslyInstalled_);
  // An uninstallation of the add-on that never ended describes an installation this
  // run now replaces: its steps must not be taken over the new one.
  const std::string uninstallJournal = UninstallJournalPath(installDir_, prefix_);
  if (platform::FileExists(uninstallJournal)) platform::DeleteFileAt(uninstallJournal);
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

void TSetupRun::NoteAll(std::vector<TRunRecord> records, bool durable) {
  if (const platform::Status appended = journal_.AppendAll(records, durable); !appended)
    throw ERunStopped(CouldNotWrite(journal_.Path(), appended.Problem()));
  for (TRunRecord& record : records) records_.push_back(std::move(record));
}

TMadeFileStamps& TSetupRun::MadeFiles() {
  if (madeFiles_) return *madeFiles_;
  platform::Result<TMadeFileStamps> earlier = MadeFileStampsOf(BackupFolder(installDir_, prefix_));
  if (!earlier)
    platform::ShowMessageBox(
        "The record of the files this add-on made before is not used: " + earlier.Problem() +
            ".\rThis installation writes a new one; a file it made before and does not "
            "install again goes with the add-on, whatever became of it since.",
        "Warning", platform::MessageButtons::Ok, platform::MessageIcon::Warning);
  madeFiles_ = earlier ? std::move(*earlier) : TMadeFileStamps();
  return *madeFiles_;
}

bool TSetupRun::CreatedByRun(const std::string& path) const {
  return created_.count(platform::AsciiLower(path)) != 0;
}

void TSetupRun::MarkCreated(const std::string& path) { created_.insert(platform::AsciiLower(path)); }

bool TSetupRun::MovedAway(const std::string& path) const {
  return std::any_of(records_.begin(), records_.end(), [&](const TRunRecord& record) {
    return record.kind == 'R' && platform::SameTextAscii(record.Field(0), path);
  });
}

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
  RemoveLegacyBackups(installDir_, prefix_);
}

TUndoOutcome TSetupRun::Undo() {
  journal_.Close();
  return UndoRunRecords(records_, journal_.Path());
}

TSetupRun* ActiveRun() { return ActiveRunSlot().get(); }
void SetActiveRun(std::unique_ptr<TSetupRun> run) { ActiveRunSlot() = std::move(run); }
std::unique_ptr<TSetupRun> TakeActiveRun() { return std::move(ActiveRunSlot()); }

TUndoOutcome UndoRunRecords(const std::vector<TRunRecord>& records, const std::string& journalPath) {
  TUndoOutcome outcome;
  std::vector<std::string> directoriesLeft;
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    const std::string& path = it->Field(0);
    if (it->kind == 'D') {
      // One that is not empty holds what is not the run's (or the journal): it stays,
      // and that is no failure.
      if (platform::DirectoryExists(path) && !platform::RemoveEmptyDirectory(path))
        directoriesLeft.push_back(path);
      continue;
    }
    if (const platform::Status undone = UndoRecord(*it); !undone) {
      outcome.problems.push_back(undone.Problem());
      outcome.journalKept = outcome.journalKept || TouchesTheGame(it->kind);
    }
  }
  // The journal is all the next start has to go by to take back what is left.
  if (!outcome.journalKept)
    if (const platform::Status discarded = DiscardJournal(journalPath); !discarded)
      outcome.problems.push_back(discarded.Problem());
  // The directories that held the journal (or a file in use) get a second chance.
  for (const std::string& directory : directoriesLeft)
    if (platform::DirectoryExists(directory)) platform::RemoveEmptyDirectory(directory);
  return outcome;
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

TRunRecoveryResult RecoverInterruptedRun(const std::string& installDir, const std::string& prefix) {
  const std::string path = RunJournalPath(installDir, prefix);
  if (!platform::FileExists(path)) return {};
  const std::vector<TRunRecord> records = ReadRunJournal(path);
  const bool finished = !records.empty() && records.back().kind == 'C';
  if (finished) {
    SetStatusText(u"Finishing the interrupted installation...");
    FinishRunRecords(records, path, UndoFolderOf(installDir, prefix));
    return {TRunRecovery::Finished, {}};
  }
  SetStatusText(u"Undoing the interrupted installation...");
  return {TRunRecovery::Undone, UndoRunRecords(records, path)};
}

std::string UndoProblemsText(const TUndoOutcome& undo) {
  std::string text;
  for (const std::string& problem : undo.problems) text += (text.empty() ? "" : "\r") + problem;
  if (undo.journalKept) text += "\rThe next start of the setup or its uninstaller tries again.";
  return text;
}

std::string InterruptedRunNotUndone(const std::string& installDir, const TUndoOutcome& undo) {
  return "An interrupted installation in " + Quoted(WithoutTrailingBackslash(installDir)) +
         " could not be undone completely:\r" + UndoProblemsText(undo);
}

std::string CouldNotWrite(const std::string& what, const std::string& reason) {
  return "\"" + what + "\" could not be written: " + reason;
}

bool AskRetryAfterWriteFailure(const std::string& what, const std::string& reason, const std::string& noun) {
  const std::string message = "Unable to write " + noun + ":\"" + what + "\", " + reason + "...";
  return platform::ShowMessageBox(message, "Error", platform::MessageButtons::RetryCancel,
                                  platform::MessageIcon::Warning) == platform::MessageResult::Retry;
}
