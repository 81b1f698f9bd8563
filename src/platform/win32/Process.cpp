// Starting programs and documents with their default action through the shell
// (ShellExecuteExW). A kept process is polled through its handle; a document opened by
// an already running program has no process of its own, so nothing is kept for it.
#include "platform/Shell.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/LongPath.h"
#include "platform/win32/WinText.h"

namespace platform {

namespace {

HANDLE Handle(int64_t id) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(id)); }

}  // namespace

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

uint32_t ProcessHandle::ExitCode() {
  if (!IsValid()) return 0;
  if (finished_) return exitCode_;
  DWORD code = kStillActive;
  if (WaitForSingleObject(Handle(id_), 0) != WAIT_OBJECT_0) return kStillActive;
  if (!GetExitCodeProcess(Handle(id_), &code)) code = 0;
  finished_ = true;
  exitCode_ = code;
  return exitCode_;
}

void ProcessHandle::Release() {
  if (IsValid()) CloseHandle(Handle(id_));
  id_ = 0;
  finished_ = false;
  exitCode_ = kStillActive;
}

bool StartWithDefaultAction(const std::string& file, const std::string& parameters,
                            ProcessHandle* keep) {
  const std::wstring target = win32::SystemPath(file);
  const std::wstring arguments = win32::Wide(parameters);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpFile = target.c_str();
  info.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return false;
  if (keep) {
    *keep = ProcessHandle();
    if (info.hProcess) keep->id_ = static_cast<int64_t>(reinterpret_cast<intptr_t>(info.hProcess));
  } else if (info.hProcess) {
    CloseHandle(info.hProcess);
  }
  return true;
}

}  // namespace platform
