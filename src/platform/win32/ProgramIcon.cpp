// The program's icon image replaced in its resources (icon number 1, language
// neutral); the other resources, the icon group among them, stay as they are. The
// change is committed only when the image went in; otherwise the file is left alone.
#include "platform/ProgramIcon.h"

#include <windows.h>

#include <limits>

#include "platform/win32/LongPath.h"

namespace platform {

bool SetProgramIconImage(const std::string& programPath, const uint8_t* image, size_t size) {
  if (!image || size == 0 || size > std::numeric_limits<DWORD>::max()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const std::wstring path = win32::SystemPath(programPath);
  SetLastError(ERROR_SUCCESS);
  const HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
  if (!update) {
    // Some systems (Wine) refuse without a reason; the file itself then tells it.
    if (GetLastError() == ERROR_SUCCESS && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
      SetLastError(ERROR_BAD_EXE_FORMAT);
    return false;
  }
  if (!UpdateResourceW(update, RT_ICON, MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                       const_cast<uint8_t*>(image), static_cast<DWORD>(size))) {
    // Discarding must not hide why the update failed.
    const DWORD reason = GetLastError();
    EndUpdateResourceW(update, TRUE);
    SetLastError(reason);
    return false;
  }
  SetLastError(ERROR_SUCCESS);
  if (EndUpdateResourceW(update, FALSE)) return true;
  if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_WRITE_FAULT);
  return false;
}

}  // namespace platform
