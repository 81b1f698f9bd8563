// Starting programs and documents with their default action through the shell
// (ShellExecuteExW, the default verb, in the current directory). A kept process is
// polled through its handle; a document opened by an already running program has no
// process of its own, so nothing is kept for it. An elevated program opens documents
// and web addresses through the desktop's shell, as the user (DesktopShell.h); when
// there is none, they are not opened rather than opened as the administrator.
#include "platform/Shell.h"

#include <windows.h>
#include <shellapi.h>

#include <cwctype>
#include <vector>

#include "platform/win32/DesktopShell.h"
#include "platform/win32/WinText.h"

namespace platform {

namespace {

HANDLE Handle(int64_t id) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(id)); }

// The shell takes no "\\?\" paths, so a path past the classic limit is given in its
// short form when that one fits. Anything else (a program on the search path, a web
// address) goes as it is.
std::wstring ShellPath(const std::string& file) {
  std::wstring path = win32::Wide(file);
  const bool absolute = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
  if (path.size() < MAX_PATH || !absolute) return path;
  const std::wstring prefixed = L"\\\\?\\" + path;
  const DWORD needed = GetShortPathNameW(prefixed.c_str(), nullptr, 0);
  if (needed == 0) return path;
  std::vector<wchar_t> buffer(needed + 1);
  const DWORD length = GetShortPathNameW(prefixed.c_str(), buffer.data(), needed + 1);
  if (length == 0 || length > needed) return path;
  std::wstring shortPath(buffer.data(), length);
  if (shortPath.rfind(L"\\\\?\\", 0) == 0) shortPath.erase(0, 4);
  return shortPath.size() < MAX_PATH ? shortPath : path;
}

// "http://...", "mailto:...": a scheme of two or more letters, never a drive letter.
bool IsAddress(const std::wstring& text) {
  const size_t colon = text.find(L':');
  if (colon == std::wstring::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const wchar_t c = text[i];
    const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
    if (!letter && !(i > 0 && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.')))
      return false;
  }
  return true;
}

// A program runs with the setup's rights, as it always has: a name the system runs
// itself, or one without an extension (found on the search path). Anything else is a
// document, a folder, a shortcut or an address, opened by whatever program the user
// chose for it.
bool IsProgram(const std::wstring& file) {
  if (IsAddress(file)) return false;
  const size_t slash = file.find_last_of(L"\\/");
  const size_t dot = file.find_last_of(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return true;
  std::wstring extension = file.substr(dot + 1);
  for (wchar_t& c : extension) c = static_cast<wchar_t>(towlower(c));
  for (const wchar_t* program : {L"exe", L"com", L"bat", L"cmd", L"msi", L"pif", L"scr"})
    if (extension == program) return true;
  return false;
}

}  // namespace

uint32_t ProcessHandle::ExitCode() {
  if (!IsValid()) return 0;
  if (finished_) return exitCode_;
  // Signalled means ended: a program may itself exit with the code that
  // GetExitCodeProcess uses for "still running".
  const DWORD state = WaitForSingleObject(Handle(id_), 0);
  if (state == WAIT_TIMEOUT) return kStillActive;
  // A handle that cannot be waited on (WAIT_FAILED) has no end to wait for either.
  DWORD code = 0;
  if (state != WAIT_OBJECT_0 || !GetExitCodeProcess(Handle(id_), &code)) code = 0;
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

bool StartWithDefaultAction(const std::string& file, const std::string& parameters, ProcessHandle* keep) {
  // An empty name would have the shell open the current folder.
  if (file.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  const std::wstring target = ShellPath(file);
  const std::wstring arguments = win32::Wide(parameters);
  if (!IsProgram(target) && win32::ProcessIsElevated()) {
    if (win32::OpenThroughDesktopShell(target, arguments)) return true;
    SetLastError(ERROR_ACCESS_DENIED);  // never opened with the administrator's rights
    return false;
  }
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
