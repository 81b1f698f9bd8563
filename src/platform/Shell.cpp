// The process handle's ownership, the same on every system; polling and releasing
// are the OS half's.
#include "platform/Shell.h"

namespace platform {

ProcessHandle::~ProcessHandle() { Release(); }

ProcessHandle::ProcessHandle(ProcessHandle&& other) noexcept
    : id_(other.id_), finished_(other.finished_), exitCode_(other.exitCode_) {
  other.id_ = 0;
}

ProcessHandle& ProcessHandle::operator=(ProcessHandle&& other) noexcept {
  if (this != &other) {
    Release();
    id_ = other.id_;
    finished_ = other.finished_;
    exitCode_ = other.exitCode_;
    other.id_ = 0;
  }
  return *this;
}

bool ProcessHandle::HasEnded() {
  if (!IsValid()) return true;
  ExitCode();
  return finished_;
}

}  // namespace platform
