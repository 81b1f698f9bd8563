// The lock file opened without sharing: while one handle has it, every other open
// fails with a sharing violation, and the system closes the handles of a process that
// ends. A reparse point in the lock's place is opened itself, never followed.
#include "platform/ExclusiveLock.h"

#include <windows.h>

#include <utility>

#include "platform/win32/LongPath.h"

namespace platform {

ExclusiveLock::~ExclusiveLock() { Release(); }

ExclusiveLock::ExclusiveLock(ExclusiveLock&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)),
      state_(std::exchange(other.state_, LockState::Failed)) {}

ExclusiveLock& ExclusiveLock::operator=(ExclusiveLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, kClosed);
    state_ = std::exchange(other.state_, LockState::Failed);
  }
  return *this;
}

ExclusiveLock ExclusiveLock::TryAcquire(const std::string& path) {
  ExclusiveLock lock;
  const HANDLE handle =
      CreateFileW(win32::SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD reason = GetLastError();
    lock.state_ = reason == ERROR_SHARING_VIOLATION || reason == ERROR_LOCK_VIOLATION ? LockState::Busy
                                                                                      : LockState::Failed;
    SetLastError(reason);
    return lock;
  }
  lock.handle_ = reinterpret_cast<intptr_t>(handle);
  lock.state_ = LockState::Held;
  return lock;
}

void ExclusiveLock::Release() {
  if (handle_ != kClosed) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kClosed;
  state_ = LockState::Failed;
}

}  // namespace platform
