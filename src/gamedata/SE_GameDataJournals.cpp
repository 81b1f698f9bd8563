#include "gamedata/SE_GameDataJournals.h"

#include <algorithm>

#include "gamedata/SE_RollbackJournal.h"
#include "gamedata/VFS_Unit.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace {

TGameDataJournals* gActive = nullptr;
std::vector<std::string> gInUse;  // lower-cased paths, one entry per writer

bool SameFile(const std::string& a, const std::string& b) {
  return platform::AnsiLower(a) == platform::AnsiLower(b);
}

// Plays back the journal of file; an archive whose free blocks were written during the
// update gets its digest computed again, since those blocks were not journaled.
platform::Status PlayBack(const std::string& file) {
  return PlayBackJournal(file, [&](const TJournalContents& contents) {
    if (contents.kind != TJournalKind::Archive || !(contents.flags & kJournalFreeBlocksWritten))
      return platform::Status::Success();
    return RefreshArchiveDigest(file);
  });
}

}  // namespace

TGameDataJournals* ActiveGameDataJournals() { return gActive; }

TGameDataJournals::TGameDataJournals() { gActive = this; }

TGameDataJournals::~TGameDataJournals() {
  if (gActive == this) gActive = nullptr;
}

bool TGameDataJournals::Holds(const std::string& file) const {
  return std::any_of(files_.begin(), files_.end(),
                     [&](const std::string& kept) { return SameFile(kept, file); });
}

void TGameDataJournals::Keep(const std::string& file) {
  if (Holds(file)) return;
  files_.push_back(file);
  if (OnFirstKept) OnFirstKept(file);
}

void TGameDataJournals::Forget(const std::string& file) {
  files_.erase(std::remove_if(files_.begin(), files_.end(),
                              [&](const std::string& kept) { return SameFile(kept, file); }),
               files_.end());
}

bool TGameDataJournals::CommitAll(std::vector<std::string>* problems) {
  bool all = true;
  for (const std::string& file : files_) {
    const platform::Status retired = RetireJournalOf(file);
    if (retired) continue;
    all = false;
    if (problems) problems->push_back(retired.Problem());
  }
  files_.clear();
  return all;
}

platform::Status TGameDataJournals::RollBack(const std::string& file) {
  if (!Holds(file)) return platform::Status::Success();
  if (platform::Status played = PlayBack(file); !played) return played;
  Forget(file);
  return platform::Status::Success();
}

bool TGameDataJournals::RollBackAll(std::vector<std::string>* problems) {
  bool all = true;
  const std::vector<std::string> newestFirst(files_.rbegin(), files_.rend());
  for (const std::string& file : newestFirst) {
    const platform::Status rolledBack = RollBack(file);
    if (rolledBack) continue;
    all = false;
    if (problems) problems->push_back(rolledBack.Problem());
  }
  return all;
}

TGameFileRecovery RecoverGameFile(const std::string& file) {
  const std::string journal = JournalPathOf(file);
  if (!platform::FileExists(journal) || (gActive && gActive->Holds(file)) ||
      std::find(gInUse.begin(), gInUse.end(), platform::AnsiLower(file)) != gInUse.end())
    return {};
  const bool changed = InspectJournal(journal).validSegments > 0;
  if (const platform::Status played = PlayBack(file); !played)
    return {TRecovery::Failed,
            "Cannot restore " + file + " from its rollback journal " + journal + ": " + played.Problem()};
  if (changed)
    return {TRecovery::Restored,
            file + " was restored from its rollback journal: an earlier update had been interrupted"};
  return {TRecovery::Ignored,
          "An incomplete rollback journal of " + file + " was removed: the file had not been changed"};
}

void NoteJournalInUse(const std::string& file, bool inUse) {
  const std::string key = platform::AnsiLower(file);
  if (inUse) {
    gInUse.push_back(key);
    return;
  }
  auto it = std::find(gInUse.begin(), gInUse.end(), key);
  if (it != gInUse.end()) gInUse.erase(it);
}

void EndJournaledUpdate(TRollbackJournal& journal) {
  journal.Close();
  const std::string& file = journal.TargetPath();
  if (gActive && gActive->Holds(file)) return;  // the run's journal stays, whatever this update added
  if (gActive && journal.Written()) {
    gActive->Keep(file);
    return;
  }
  static_cast<void>(RetireJournalOf(file));
}

platform::Status RetireJournalOf(const std::string& file) {
  const std::string journal = JournalPathOf(file);
  if (!platform::FileExists(journal) || platform::DeleteFileAt(journal)) return platform::Status::Success();
  const std::string reason = platform::LastErrorText();
  if (platform::File::Open(journal, platform::OpenMode::CreateTruncate).IsOpen())
    return platform::Status::Success();
  return platform::Status::Failure("cannot delete the journal " + journal + " (" + reason +
                                   ") nor empty it: " + platform::LastErrorText());
}
