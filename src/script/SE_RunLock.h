// One run per game folder at a time. A setup run holds the game folder's lock
// (SE_TrustedState.h) from before it looks for an interrupted run's journal until it
// ends; an uninstaller holds it from before it reads its install log until the
// program ends. A run journal is an interrupted run's only when its lock is free:
// a run that is still going holds it, and the system frees the lock of a run whose
// process is gone, however it ended. Two add-ons in one folder share the lock.
#pragma once

#include <string>

// What came of asking for the lock.
enum class TRunLockOutcome {
  Held,      // this process holds it now
  Busy,      // another run holds it, and the user chose Cancel (unattended at once)
  Unusable,  // the lock file cannot be made; the problem says why
};
struct TRunLockResult {
  TRunLockOutcome outcome = TRunLockOutcome::Unusable;
  std::string problem;  // for Busy and Unusable: the text the user was shown or is to be
};

// Takes the game folder's lock for this process (a lock held for another folder is let
// go). While another run holds it, the user is told so and may choose Retry or Cancel.
TRunLockResult HoldRunLock(const std::string& installDir);
// Takes the lock only when it is free, without asking; true when this process holds it.
bool TryHoldRunLock(const std::string& installDir);
void ReleaseRunLock();
// True when the last HoldRunLock gave up because another run held the lock: the
// program then ends with kExitFolderBusy.
bool RunLockRefused();

// "Another installation into "<folder>" is running ...": the text of the Retry/Cancel box.
std::string AnotherRunText(const std::string& installDir);
