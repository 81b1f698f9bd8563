// An open-file-description lock: it belongs to the descriptor, not to the process, so
// two opens of the same file in one process exclude each other as two processes do,
// and the kernel drops it when the last descriptor of the open file closes.
#include "platform/ExclusiveLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/posix/PathMap.h"

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
  const auto hostPath = posix::ResolveHostPath(path);
  if (!hostPath) {
    errno = ENOENT;
    return lock;
  }
  const int fd = open(hostPath->c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return lock;
  struct flock whole = {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  if (fcntl(fd, F_OFD_SETLK, &whole) != 0) {
    const int reason = errno;
    close(fd);
    errno = reason;
    lock.state_ = reason == EAGAIN || reason == EACCES ? LockState::Busy : LockState::Failed;
    return lock;
  }
  lock.handle_ = fd;
  lock.state_ = LockState::Held;
  return lock;
}

void ExclusiveLock::Release() {
  if (handle_ != kClosed) close(static_cast<int>(handle_));
  handle_ = kClosed;
  state_ = LockState::Failed;
}

}  // namespace platform
