// The changes of one setup run, kept so that the run can be undone: while a run is
// active, every directory, file, registry value and game file it changes is first
// written to its run journal (SE_RunJournal.h). A run ends in one of two ways:
//   Commit  the run did what its script said: the journal is marked finished (if
//           that record cannot be written, the run is undone instead), the game
//           files' rollback journals are committed, the copies kept only for
//           undoing are removed and the journal goes;
//   Undo    the run was stopped: every change is taken back, newest first, and the
//           journal goes; when a file cannot be taken back (a game holds it, say),
//           the journal stays for the next start to try again.
// A journal left by a killed run (or by an undo that could not take everything back)
// is found by the next start of a setup or uninstaller for the same installation
// (RecoverInterruptedRun), which undoes it, or finishes it when the run had already
// finished. Undoing is safe to repeat: what is already taken back is passed over.
//
// Replaced files: a file the run replaces that it did not create itself is moved
// into the add-on's backup folder (BackupFolder, in the trusted folder), under its folded
// path as the install log has it, "$" and ":" left out ("$INSTDIRbin\x.dll" ->
// "<backup>\INSTDIRbin\x.dll"), and the uninstaller puts it back. Another add-on
// that replaces the file later keeps this one's version in its own backup folder.
// When that folder already holds an original for the path (an earlier run of the
// same setup kept it), the file goes to "<backup>\~run\..." only for the time of the
// run.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/Result.h"
#include "script/SE_MadeFileStamps.h"
#include "script/SE_RunJournal.h"

// A run stopped on purpose: a write failure the user cancelled (unattended runs
// cancel), or a failure to keep the run's own records. what() says what happened
// ("\"C:\Games\x.dat\" could not be written: No space left on device"). Not one of
// the program's error family: it is no fault of the program and gets no error report.
class ERunStopped : public std::runtime_error {
 public:
  explicit ERunStopped(const std::string& what) : std::runtime_error(what) {}
};

// The game folder's state folder (SE_TrustedState.h) + "\" + prefix + "run.journal".
// Both raise ESetupError when the trusted folder cannot be used.
std::string RunJournalPath(const std::string& installDir, const std::string& prefix);
// The game folder's state folder + "\" + prefix + "backup": the one place that decides
// where the add-on's own records of what it replaced are kept.
std::string BackupFolder(const std::string& installDir, const std::string& prefix);
// Where below a folder a file of the folded path is kept: "$" and ":" are left out,
// and no name of the result climbs out of the folder: a name that ends in a dot or a
// blank (".." among them), or starts with "~", becomes "~" and the hex digits of its
// bytes ("$INSTDIR..\..\x.txt" -> "<folder>\~494E53544449522E2E\~2E2E\x.txt").
std::string MirrorPath(const std::string& folder, const std::string& foldedPath);

// What undoing and committing do with a game package or archive whose rollback
// journal a run keeps. The game-data layer installs them; without them a game file's
// record is passed over.
struct TGameFileJournalHooks {
  // A failure says which file could not be restored and why.
  std::function<platform::Status(const std::string& path)> rollback;
  std::function<void(const std::string& path)> commit;
};
void SetGameFileJournalHooks(TGameFileJournalHooks hooks);

// What an undo could not take back.
struct TUndoOutcome {
  // One line per step that failed, newest first: the file or registry key and the
  // system's reason ("\"C:\Games\x.dat\" could not be deleted: Permission denied").
  std::vector<std::string> problems;
  // A file, a replaced file or a game file could not be taken back, so the game may
  // not be as it was: the journal stays, and the next start tries again.
  bool journalKept = false;
  bool Complete() const { return problems.empty(); }
};
// The problems, one a line ("\r" between them, as message boxes break lines), then,
// when the journal stays, that the next start tries again.
std::string UndoProblemsText(const TUndoOutcome& undo);
// What the user is told when the undo of an interrupted run of the installation in
// installDir could not take everything back.
std::string InterruptedRunNotUndone(const std::string& installDir, const TUndoOutcome& undo);

class TSetupRun {
 public:
  // previouslyInstalled: the folded file items of the installation's existing
  // install log; a file among them that has no kept original is the setup's own
  // from before, not the game's, and is not kept for the uninstaller.
  TSetupRun(std::string installDir, std::string prefix, std::unordered_set<std::string> previouslyInstalled);
  // Creates the journal (and the installation directory for it, recorded). Raises
  // ERunStopped when it cannot be written.
  void Begin();

  // Appends a record; raises ERunStopped when the journal cannot be written.
  void Note(TRunRecord record, bool durable);
  // Several records with one write to the journal.
  void NoteAll(std::vector<TRunRecord> records, bool durable);
  // True once for a directory Begin made for the journal (ForceDirectory then
  // records it as one it made).
  bool ClaimPremadeDirectory(const std::string& directory);
  bool CreatedByRun(const std::string& path) const;
  void MarkCreated(const std::string& path);
  // Whether the run has moved the file at path elsewhere (a journalled rename).
  bool MovedAway(const std::string& path) const;
  // Whether a file (its folded path, lower case) was installed by an earlier run.
  bool InstalledBefore(const std::string& foldedPath) const;
  // The registry values (RegistryValueId of script/SE_RegistryOldValues.h) that the
  // installation's existing install log names: written by an earlier run, not the game.
  void SetRegistryValuesRecordedBefore(std::unordered_set<std::string> ids) {
    registryBefore_ = std::move(ids);
  }
  bool RecordedRegistryValueBefore(const std::string& id) const { return registryBefore_.count(id) != 0; }

  // The stamps of the files the add-on made (script/SE_MadeFileStamps.h): its earlier
  // runs' record, read when first asked for, and this run's files as they are written
  // (script/SE_WrittenRecords.h). A record that is refused is replaced by this run's,
  // and the user is told so.
  TMadeFileStamps& MadeFiles();
  bool MadeFilesRead() const { return madeFiles_.has_value(); }

  const std::string& InstallDir() const { return installDir_; }
  const std::string& Prefix() const { return prefix_; }

  // A file placed without waiting for the disk: its volume is flushed before the
  // finish record is written.
  void FlushVolumeBeforeFinish(const std::string& path);
  // The run's finish record, the point of no return; raises ERunStopped when it
  // cannot be written, and the run is then still to be undone.
  void MarkFinished();
  // After MarkFinished: what was kept only for undoing goes, with the journal.
  void Finish();
  TUndoOutcome Undo();

 private:
  std::string givenInstallDir_, installDir_, prefix_;
  std::unordered_set<std::string> previouslyInstalled_;
  std::unordered_set<std::string> registryBefore_;
  std::unordered_set<std::string> created_;  // lower-cased paths
  std::unordered_set<std::string> premade_;  // made by Begin, not yet recorded
  std::set<std::string> volumesToFlush_;     // "c:\", lower case
  std::optional<TMadeFileStamps> madeFiles_;
  TRunJournalFile journal_;
  std::vector<TRunRecord> records_;
};

// The run being made, or null. The setup thread starts and ends it.
TSetupRun* ActiveRun();
void SetActiveRun(std::unique_ptr<TSetupRun> run);
std::unique_ptr<TSetupRun> TakeActiveRun();

// Takes back records newest first (the journal itself is then removed, and with it
// the directories that held it, unless a file could not be taken back).
TUndoOutcome UndoRunRecords(const std::vector<TRunRecord>& records, const std::string& journalPath);
// Finishes a run that has its finish record: game journals committed, undo copies
// and the journal removed.
void FinishRunRecords(const std::vector<TRunRecord>& records, const std::string& journalPath,
                      const std::string& undoFolder);

enum class TRunRecovery { None, Undone, Finished };
struct TRunRecoveryResult {
  TRunRecovery done = TRunRecovery::None;
  TUndoOutcome undo;  // for Undone: what could not be taken back
};
// Looks for a journal of an interrupted run of this installation and undoes it (or
// finishes it, when the run had finished); shows a status line when it does.
TRunRecoveryResult RecoverInterruptedRun(const std::string& installDir, const std::string& prefix);

// The Retry/Cancel box of a write failure: the file (or value) and the system's
// reason. True for Retry.
// noun: "file" or "registry value".
bool AskRetryAfterWriteFailure(const std::string& what, const std::string& reason,
                               const std::string& noun = "file");
// The text of a stop for a target that could not be written.
std::string CouldNotWrite(const std::string& what, const std::string& reason);
