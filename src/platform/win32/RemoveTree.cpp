// Tree removal on Windows through handles: each folder is opened itself (a reparse
// point as such, never followed) and held so that nobody can rename or delete it while
// it is emptied; each name in it is opened itself too, so that a junction or link met
// anywhere, or planted while the walk runs, is removed as a link and never entered.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/ConfinedFolders.h"
#include "platform/FaultInjection.h"
#include "platform/win32/ConfinedWalk.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/WinText.h"

namespace platform {

namespace {

class HandleOf {
 public:
  explicit HandleOf(HANDLE handle) : handle_(handle) {}
  ~HandleOf() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HandleOf(const HandleOf&) = delete;
  HandleOf& operator=(const HandleOf&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// The name itself, held with the right to delete it and shared with nobody who would
// rename or delete it.
HANDLE OpenHeld(const std::wstring& path) {
  return CreateFileW(win32::SystemPath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// The names in a held folder, listed through a handle of the folder itself: a search
// by path would open it again without sharing the right to delete it, which the held
// handle has, and be refused.
std::vector<std::wstring> NamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  const HandleOf listing(CreateFileW(win32::SystemPath(folder).c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                     nullptr));
  if (!listing.IsOpen()) return names;
  alignas(8) unsigned char buffer[64 * 1024];
  FILE_INFO_BY_HANDLE_CLASS batch = FileIdBothDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(listing.Get(), batch, buffer, sizeof buffer)) {
    batch = FileIdBothDirectoryInfo;
    for (size_t at = 0;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + at);
      const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") names.push_back(name);
      if (entry->NextEntryOffset == 0) break;
      at += entry->NextEntryOffset;
    }
  }
  return names;
}

bool RemoveHeld(const std::wstring& path, HANDLE held, const FILE_ATTRIBUTE_TAG_INFO& tag);

bool EmptyFolder(const std::wstring& folder) {
  bool emptied = true;
  for (const std::wstring& name : NamesIn(folder)) {
    const std::wstring child = folder + L"\\" + name;
    const HandleOf held(OpenHeld(child));
    FILE_ATTRIBUTE_TAG_INFO tag;
    const bool removed = held.IsOpen() && win32::TagOf(held.Get(), tag) && RemoveHeld(child, held.Get(), tag);
    emptied = removed && emptied;
  }
  return emptied;
}

// A link goes as a link, a file as DeleteFileAt would delete it (never a read-only one
// or one held in use), a folder once it is empty.
bool RemoveHeld(const std::wstring& path, HANDLE held, const FILE_ATTRIBUTE_TAG_INFO& tag) {
  const bool link = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  const bool folder = (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (folder && !link) return EmptyFolder(path) && win32::DeleteByHandle(held);
  // A folder link whose kind the system does not tell (Wine's view of a host link) is
  // left: there a removal would reach its target.
  if (folder && tag.ReparseTag == 0) return false;
  if (detail::FileHeldInUse(win32::AnsiPathFromSystem(path)) ||
      (tag.FileAttributes & FILE_ATTRIBUTE_READONLY))
    return false;
  return win32::DeleteByHandle(held);
}

}  // namespace

bool RemoveTree(const std::string& directory) {
  std::wstring path = win32::FullPathOf(win32::Wide(directory));
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  if (path.size() <= 2 || (path.size() <= 6 && path.rfind(L"\\\\?\\", 0) == 0)) {  // never a drive's root
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  const auto way = win32::PinWayTo(directory);
  if (!way) return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
  const HandleOf held(OpenHeld(path));
  if (!held.IsOpen()) return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (!win32::TagOf(held.Get(), tag)) return false;
  // A file in the tree's place is not the tree; a link there goes as a link.
  const bool link = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (!(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link) return true;
  return RemoveHeld(path, held.Get(), tag);
}

}  // namespace platform
