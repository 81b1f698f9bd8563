// Special folders from the shell (SHGetSpecialFolderPathW with the folder's CSIDL).
#include <windows.h>
#include <shlobj.h>

#include "platform/Shell.h"
#include "platform/win32/WinText.h"

namespace platform {

std::string SpecialFolderPath(int folderId) {
  wchar_t path[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, folderId, FALSE)) return std::string();
  std::wstring folder(path);
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return win32::AnsiPathFromSystem(folder);
}

}  // namespace platform
