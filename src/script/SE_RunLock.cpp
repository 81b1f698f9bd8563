#include "script/SE_RunLock.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/CodePage.h"
#include "platform/ConfinedFolders.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/ExclusiveLock.h"
#include "platform/TrustedFolder.h"
#include "script/SE_TrustedState.h"

namespace {

struct THeldLock {
  std::mutex mutex;
  std::string folderKey;  // lower-cased game folder
  platform::ExclusiveLock lock;
  // While a run holds the game folder, its changes in the game folder and in the
  // trusted folder never follow a link planted below either.
  std::unique_ptr<platform::ConfinedFolder> gameFolder, trustedFolder;

  void Release() {
    lock.Release();
    folderKey.clear();
    gameFolder.reset();
    trustedFolder.reset();
  }
};

std::atomic<bool> refusedBusy{false};

THeldLock& Held() {
  static THeldLock held;
  return held;
}

std::string KeyOf(std::string installDir) {
  while (installDir.size() > 3 && installDir.back() == '\\') installDir.pop_back();
  return platform::AsciiLower(installDir);
}

// Once, without asking. Busy or Unusable leave nothing held.
TRunLockResult TryOnce(const std::string& installDir) {
  THeldLock& held = Held();
  std::lock_guard<std::mutex> guard(held.mutex);
  const std::string key = KeyOf(installDir);
  if (held.lock.Held() && held.folderKey == key) return {TRunLockOutcome::Held, {}};
  held.Release();
  std::string path;
  if (const platform::Status made = MakeGameFolderState(installDir); !made)
    return {TRunLockOutcome::Unusable, made.Problem()};
  try {
    path = RunLockPath(installDir);
  } catch (const platform::ESetupError& error) {
    return {TRunLockOutcome::Unusable, error.what()};
  }
  platform::ExclusiveLock lock = platform::ExclusiveLock::TryAcquire(path);
  switch (lock.State()) {
    case platform::LockState::Held:
      held.lock = std::move(lock);
      held.folderKey = key;
      held.gameFolder = std::make_unique<platform::ConfinedFolder>(installDir);
      if (const auto trusted = platform::TrustedStateFolder())
        held.trustedFolder = std::make_unique<platform::ConfinedFolder>(*trusted);
      return {TRunLockOutcome::Held, {}};
    case platform::LockState::Busy: return {TRunLockOutcome::Busy, AnotherRunText(installDir)};
    case platform::LockState::Failed: break;
  }
  return {TRunLockOutcome::Unusable, "\"" + path + "\" could not be opened: " + platform::LastErrorText()};
}

}  // namespace

std::string AnotherRunText(const std::string& installDir) {
  std::string folder = installDir;
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return "Another installation into \"" + folder +
         "\" is running. Choose Retry when it has finished, or Cancel to leave the game as it is.";
}

TRunLockResult HoldRunLock(const std::string& installDir) {
  for (;;) {
    TRunLockResult result = TryOnce(installDir);
    refusedBusy = result.outcome == TRunLockOutcome::Busy;
    if (result.outcome != TRunLockOutcome::Busy) return result;
    if (platform::ShowMessageBox(result.problem, "Setup", platform::MessageButtons::RetryCancel,
                                 platform::MessageIcon::Warning) != platform::MessageResult::Retry)
      return result;
  }
}

bool TryHoldRunLock(const std::string& installDir) {
  return TryOnce(installDir).outcome == TRunLockOutcome::Held;
}

void ReleaseRunLock() {
  THeldLock& held = Held();
  std::lock_guard<std::mutex> guard(held.mutex);
  held.Release();
}

bool RunLockRefused() { return refusedBusy; }
