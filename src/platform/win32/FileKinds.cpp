// The Win32 half: the handle's file type and the directory's wide names.
#include "platform/FileKinds.h"

#include "platform/win32/LongPath.h"
#include "platform/win32/WinText.h"

namespace platform {

bool IsDeviceOrPipe(const std::string& path) {
  const HANDLE handle = CreateFileW(win32::SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(handle);
  CloseHandle(handle);
  return type != FILE_TYPE_DISK;
}

bool NameFitsCodePage(const std::string& path) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW(win32::SystemPath(path).c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return true;
  FindClose(search);
  return win32::FitsCodePage(found.cFileName);
}

}  // namespace platform
