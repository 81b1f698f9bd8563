// Special folders from the shell (SHGetSpecialFolderPathW with the folder's CSIDL).
// A folder the profile does not have yet is still named, as on Linux: the setup
// creates what it puts there, and an empty answer would turn a shortcut's folder
// into a path from the drive's root.
#include <windows.h>
#include <shlobj.h>

#include "platform/Shell.h"
#include "platform/win32/WinText.h"

namespace platform {

std::string SpecialFolderPath(int folderId) {
  wchar_t path[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, folderId | CSIDL_FLAG_DONT_VERIFY, FALSE)) return std::string();
  std::wstring folder(path);
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return win32::AnsiPathFromSystem(folder);
}

}  // namespace platform
