// The program's icon image replaced in its resources (icon number 1, language
// neutral); the other resources, the icon group among them, stay as they are.
#include "platform/ProgramIcon.h"

#include <windows.h>

#include "platform/win32/LongPath.h"

namespace platform {

bool SetProgramIconImage(const std::string& programPath, const uint8_t* image, size_t size) {
  if (!image || size == 0) return false;
  const HANDLE update = BeginUpdateResourceW(win32::SystemPath(programPath).c_str(), FALSE);
  if (!update) return false;
  const bool written =
      UpdateResourceW(update, RT_ICON, MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                      const_cast<uint8_t*>(image), static_cast<DWORD>(size));
  return EndUpdateResourceW(update, written ? FALSE : TRUE) && written;
}

}  // namespace platform
