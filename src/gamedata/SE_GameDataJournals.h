// Rollback journals of game packages and archives beyond one update: who keeps them,
// who deletes them and who plays them back.
//
// Every in-place change of a game package or archive is journaled first (see
// SE_RollbackJournal.h). Outside a setup run (the tools) an update deletes its journal
// as soon as the changed file is flushed. A setup run that must be able to undo its
// changes owns one TGameDataJournals for its whole length:
//
//   TGameDataJournals journals;  // from now on, updates hand their journals over
//   journals.OnFirstKept = [&](const std::string& file) { /* note it in the run's record */ };
//   ...                          // updates; a file changed twice appends to its journal
//   journals.CommitAll();        // the run succeeded: every journal is deleted
//   // or journals.RollBackAll() // it failed or was cancelled: files undone newest first
//
// A keeper that ends without either (an exception, a kill) leaves its journals on the
// disk, hot: the next opening of each file plays its journal back first, so a killed
// run's changes to game data are undone by the next start. RollBack(file) undoes one
// file, for a caller that walks its own record of the run newest first.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Result.h"

class TRollbackJournal;

class TGameDataJournals {
 public:
  // Becomes the active keeper; there is at most one at a time.
  TGameDataJournals();
  ~TGameDataJournals();
  TGameDataJournals(const TGameDataJournals&) = delete;
  TGameDataJournals& operator=(const TGameDataJournals&) = delete;

  // Called once per file, when the first update of the file hands its journal over.
  std::function<void(const std::string& file)> OnFirstKept;

  // The files whose journals are kept, oldest first.
  const std::vector<std::string>& Files() const { return files_; }
  bool Holds(const std::string& file) const;

  // Retires every journal kept (the changes stay). False when one could not be
  // retired; problems names them.
  bool CommitAll(std::vector<std::string>* problems = nullptr);
  // Plays back every kept journal, newest file first. False when a file could not be
  // restored (its journal then stays, hot); problems says which and why.
  bool RollBackAll(std::vector<std::string>* problems = nullptr);
  // Plays back one kept file's journal and forgets it; a failure says why the file
  // could not be restored (its journal then stays, hot).
  platform::Status RollBack(const std::string& file);

  // For the updaters: an update of file is on the disk; its journal is kept.
  void Keep(const std::string& file);

 private:
  void Forget(const std::string& file);
  std::vector<std::string> files_;
};

// The run's keeper, or null outside a run.
TGameDataJournals* ActiveGameDataJournals();

enum class TRecovery {
  Nothing,   // no journal, or one this run keeps
  Restored,  // a hot journal was played back: the file is as it was before
  Ignored,   // a torn journal (nothing had been changed yet) was removed
  Failed,    // the file could not be restored; the journal stays
};
struct TGameFileRecovery {
  TRecovery recovery = TRecovery::Nothing;
  // What was done, in one line ("... restored from its rollback journal ..."), or why
  // it failed; empty for Nothing.
  std::string note;
};
// What every opener of a game package or archive calls first: plays a hot journal
// back.
TGameFileRecovery RecoverGameFile(const std::string& file);

// For the journal writers: a journal that an object of this process is writing is
// not hot, whoever else opens its file meanwhile.
void NoteJournalInUse(const std::string& file, bool inUse);

// A finished update's journal must never be played back: it is deleted, or, when it
// cannot be deleted (in use, say), emptied, so that it holds no valid segment and
// every opener ignores it. A failure says why neither could be done.
platform::Status RetireJournalOf(const std::string& file);

// For the updaters: the update journaled in `journal` is on the disk (or undone).
// Its journal is kept by the active run, or deleted outside a run.
void EndJournaledUpdate(TRollbackJournal& journal);
