// The uninstallation as a journalled run. Before a file item of the install log is
// taken back, its step (engine/SE_Uninstall_Items.h: what is done, to which files) is
// written to the uninstall journal in the game folder's state folder
// (script/SE_TrustedState.h) and put on the disk. An uninstaller killed part-way and
// started again on the same install log passes over the items before the last one
// recorded, takes that one again exactly as recorded, never planning it afresh (an
// original it had already put back would look like a file of the add-on's, to be
// deleted), and goes on from there. The steps after the files (the backup folder,
// directories, registry values, the uninstall key) pass over what is gone already,
// so taking them again does no harm. The uninstaller holds the game folder's lock
// (script/SE_RunLock.h) meanwhile.
//
// The journal, in the run journal's line format (script/SE_RunJournal.h):
//   B digest                  the install log worked through (its digest)
//   f index action path from  the file item's step, begun (action: TFileAction)
//   E                         every item is done; the log and the backups go
// A journal of another log (the add-on was installed again since) is dropped. The
// journal goes last, after the finaliser has been started: an uninstaller killed
// after its log went, started again, finds the end recorded and finishes it
// (UninstallEndRecorded) instead of stopping for a missing log.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engine/SE_Uninstall_Items.h"
#include "engine/SE_Uninstall_List.h"
#include "platform/Result.h"
#include "script/SE_RunJournal.h"

class TUninstallRun {
 public:
  TUninstallRun(const std::string& installDir, const std::string& prefix, const TInstallLogLists& log);
  // Opens the journal, taking up one an earlier start left for the same log. A
  // failure names the journal and says why it cannot be written; nothing was done.
  platform::Status Begin();
  // Whether an earlier start was killed part-way through this log.
  bool Resumed() const { return resumed_; }
  // Takes back the file item: passed over when an earlier start had finished it,
  // else recorded, then done. A failure to record names the journal (nothing done).
  platform::Status TakeFile(size_t index);
  // The files this start kept because they changed since the add-on was installed
  // (TFileUninstaller::KeptFilesText).
  std::string KeptFilesText() const { return files_.KeptFilesText(); }
  // Every item is taken back: recorded before the install log goes.
  platform::Status MarkEnd();
  // After the install log is gone: the journal is closed; it goes with
  // DiscardUninstallJournal once the finaliser is started.
  void Finish();

 private:
  std::string installDir_;
  std::string journalPath_;
  std::string digest_;
  const TInstallLogLists& log_;
  TFileUninstaller files_;
  TRunJournalFile journal_;
  std::optional<size_t> lastBegun_;  // of an earlier start
  std::optional<TFileStep> lastStep_;
  bool resumed_ = false;
  bool ended_ = false;  // an earlier start recorded the end: every file is done
};

// Whether an uninstallation of the add-on recorded its end (its install log may be
// gone already) and its journal is still there.
bool UninstallEndRecorded(const std::string& installDir, const std::string& prefix);
// The journal of the add-on's uninstallation goes.
void DiscardUninstallJournal(const std::string& installDir, const std::string& prefix);
