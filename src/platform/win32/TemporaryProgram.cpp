// A private copy on Windows: a folder made with CreateDirectory (which never takes an
// existing name) and a protected DACL granting full control to this user,
// Administrators and SYSTEM alone; the file made with CREATE_NEW, then reopened for
// reading with writers and deleters shut out while the process is created.
#include "platform/TemporaryProgram.h"

#include <windows.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Files.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/WinText.h"

namespace platform {

namespace {

struct LocalDeleter {
  void operator()(void* memory) const { LocalFree(memory); }
};
struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

UniqueHandle Own(HANDLE handle) { return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle); }

std::string RandomHex() {
  unsigned char bytes[8] = {};
  if (!RtlGenRandom(bytes, sizeof bytes)) return std::string();
  char text[17];
  for (size_t i = 0; i < sizeof bytes; ++i) std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
  return text;
}

// The SID of the user the process runs as, in its string form.
std::wstring UserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::wstring();
  const UniqueHandle owned(token);
  DWORD needed = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
  std::vector<unsigned char> buffer(needed);
  if (needed == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed))
    return std::wstring();
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
    return std::wstring();
  const std::unique_ptr<wchar_t, LocalDeleter> freed(text);
  return text;
}

// Protected (nothing inherited from the temporary folder), inherited by what is made
// inside: full control for SYSTEM, Administrators and this user, nobody else.
std::unique_ptr<void, LocalDeleter> PrivateDescriptor() {
  const std::wstring user = UserSid();
  if (user.empty()) return nullptr;
  const std::wstring sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + user + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                            nullptr))
    return nullptr;
  return std::unique_ptr<void, LocalDeleter>(descriptor);
}

std::optional<std::string> MakePrivateFolder() {
  const auto descriptor = PrivateDescriptor();
  if (!descriptor) return std::nullopt;
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
  const std::string temp = TempFolder();
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::string random = RandomHex();
    if (random.empty()) return std::nullopt;
    const std::string folder = temp + "\\" + kTemporaryProgramFolderPrefix + random;
    if (CreateDirectoryW(win32::SystemPath(folder).c_str(), &attributes)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
  }
  return std::nullopt;
}

bool WriteNew(const std::wstring& path, const void* bytes, size_t size) {
  const UniqueHandle file =
      Own(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const auto* at = static_cast<const unsigned char*>(bytes);
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file.get(), at, chunk, &written, nullptr) || written == 0) return false;
    at += written;
    size -= written;
  }
  return true;
}

bool CreateProcessOf(const std::wstring& program, const std::string& parameters) {
  std::wstring commandLine = L"\"" + program + L"\"";
  if (!parameters.empty()) commandLine += L" " + win32::Wide(parameters);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace

bool StartTemporaryProgram(const std::string& fileName, const void* bytes, size_t size,
                           const std::string& parameters) {
  const std::optional<std::string> folder = MakePrivateFolder();
  if (!folder) return false;
  const std::wstring folderPath = win32::SystemPath(*folder);
  const std::wstring path = win32::SystemPath(*folder + "\\" + fileName);
  bool started = false;
  if (WriteNew(path, bytes, size)) {
    // Held open for reading, writers and deleters shut out, until the process exists.
    const UniqueHandle held = Own(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    started = held && CreateProcessOf(path, parameters);
  }
  const DWORD error = GetLastError();
  if (!started) {
    DeleteFileW(path.c_str());
    RemoveDirectoryW(folderPath.c_str());
  } else {
    // The running program's file cannot go now: the system removes both at the next
    // restart (an administrator's right, which the uninstaller has).
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExW(folderPath.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  SetLastError(error);
  return started;
}

}  // namespace platform
