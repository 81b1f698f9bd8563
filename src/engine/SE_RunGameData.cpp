#include "engine/SE_RunGameData.h"

#include <memory>

#include "gamedata/SE_GameDataJournals.h"
#include "gamedata/SE_RollbackJournal.h"
#include "platform/Files.h"
#include "script/SE_RunChanges.h"

namespace {

std::unique_ptr<TGameDataJournals>& Keeper() {
  static std::unique_ptr<TGameDataJournals> keeper;
  return keeper;
}

bool KeptByThisRun(const std::string& file) {
  const TGameDataJournals* keeper = ActiveGameDataJournals();
  return keeper && keeper->Holds(file);
}

// A file that cannot be restored now keeps its journal, hot, and its next opener plays
// it back; the run's undo goes on with the rest and tells what was left.
platform::Status RollBackGameFile(const std::string& file) {
  if (KeptByThisRun(file)) {
    const platform::Status rolledBack = ActiveGameDataJournals()->RollBack(file);
    if (rolledBack) return rolledBack;
    return platform::Status::Failure("Cannot restore " + file + " from its rollback journal " +
                                     JournalPathOf(file) + ": " + rolledBack.Problem());
  }
  // A killed run's journal: hot, so playing it back restores the file.
  const TGameFileRecovery recovered = RecoverGameFile(file);
  if (recovered.recovery == TRecovery::Failed) return platform::Status::Failure(recovered.note);
  return platform::Status::Success();
}

void CommitGameFile(const std::string& file) {
  if (KeptByThisRun(file)) {
    // The run's commit reaches every file at the same point; one pass deletes them all.
    ActiveGameDataJournals()->CommitAll();
    return;
  }
  // A killed run that had finished: its changes stay, so the journal must not be
  // played back by the next opener.
  static_cast<void>(RetireJournalOf(file));
}

}  // namespace

void InstallGameDataRunHooks() { SetGameFileJournalHooks({RollBackGameFile, CommitGameFile}); }

void BeginGameDataOfRun() {
  InstallGameDataRunHooks();
  Keeper() = std::make_unique<TGameDataJournals>();
  Keeper()->OnFirstKept = [](const std::string& file) {
    // Durable: the run's record of the file must be on the disk before anything else
    // the run does after this update.
    if (TSetupRun* run = ActiveRun()) run->Note({'G', {file}}, true);
  };
}

void EndGameDataOfRun() { Keeper().reset(); }
