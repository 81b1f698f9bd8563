// A lock that one process at a time holds on a file: the file is opened so that no
// other opener can lock it until this one lets go, and the system lets go for a
// process that ends in any way (a crash or a kill included), so a lock is never left
// behind by a run that is gone. The file itself stays; only the lock counts.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class LockState {
  Held,    // this object holds the lock
  Busy,    // another holder has it (another process, or another object of this one)
  Failed,  // the lock file could not be opened (LastErrorText says why)
};

class ExclusiveLock {
 public:
  ExclusiveLock() = default;
  ~ExclusiveLock();
  ExclusiveLock(ExclusiveLock&& other) noexcept;
  ExclusiveLock& operator=(ExclusiveLock&& other) noexcept;
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

  // Tries once, without waiting; the file is made when missing (never through a link).
  static ExclusiveLock TryAcquire(const std::string& path);

  LockState State() const { return state_; }
  bool Held() const { return state_ == LockState::Held; }
  void Release();

 private:
  static constexpr intptr_t kClosed = -1;
  intptr_t handle_ = kClosed;
  LockState state_ = LockState::Failed;
};

}  // namespace platform
