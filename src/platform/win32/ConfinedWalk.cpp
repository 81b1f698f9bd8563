#include "platform/win32/ConfinedWalk.h"

#include <cstring>

#include "platform/ConfinedFolders.h"
#include "platform/win32/LongPath.h"
#include "platform/win32/WinText.h"

namespace platform::win32 {

namespace {

// Others may read and write a held folder, never rename or delete it: a folder that
// cannot be renamed cannot be swapped for a junction either.
constexpr DWORD kHeldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

HANDLE OpenFolderForHolding(const std::string& path, bool followLink) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE, kHeldShare, nullptr,
                     OPEN_EXISTING, flags, nullptr);
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

}  // namespace

PinnedWay::~PinnedWay() {
  for (HANDLE folder : held_) CloseHandle(folder);
}

PinnedWay::PinnedWay(PinnedWay&& other) noexcept : confined_(other.confined_), held_(std::move(other.held_)) {
  other.held_.clear();
}

bool TagOf(HANDLE handle, FILE_ATTRIBUTE_TAG_INFO& tag) {
  return GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) != 0;
}

std::optional<PinnedWay> PinWayTo(const std::string& path) {
  PinnedWay way;
  const auto confined = detail::ConfinementOf(path);
  if (!confined) return way;
  way.MarkConfined();
  detail::NoteRefusedLink(std::string());
  std::string current = WithoutTrailingSeparators(confined->root);
  // The confined folder itself is taken as named, links and all.
  HANDLE folder = OpenFolderForHolding(current, true);
  if (folder == INVALID_HANDLE_VALUE) return std::nullopt;
  way.Hold(folder);
  for (size_t i = 0; i + 1 < confined->components.size(); ++i) {
    current += (current.back() == '\\' ? "" : "\\") + confined->components[i];
    folder = OpenFolderForHolding(current, false);
    if (folder == INVALID_HANDLE_VALUE) return std::nullopt;
    way.Hold(folder);
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!TagOf(folder, tag)) return std::nullopt;
    if (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      detail::NoteRefusedLink(current);
      SetLastError(ERROR_CANT_ACCESS_FILE);
      return std::nullopt;
    }
    if (!(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return std::nullopt;
    }
  }
  detail::RunConfinedChangeHook();
  return way;
}

HANDLE OpenNameItself(const std::string& path, DWORD access) {
  return CreateFileW(SystemPath(path).c_str(), access | SYNCHRONIZE | FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool DeleteByHandle(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

bool RenameByHandle(HANDLE handle, const std::string& newPath, bool replace) {
  // The system's rename takes the name in its own namespace: "\??\C:\...".
  std::wstring target = FullPathOf(Wide(newPath));
  if (target.empty()) return false;
  if (target.rfind(L"\\\\?\\", 0) == 0) target = target.substr(4);
  if (target.rfind(L"\\\\", 0) == 0) target = L"UNC\\" + target.substr(2);
  target = L"\\??\\" + target;
  const size_t nameBytes = target.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(nameBytes);
  std::memcpy(rename->FileName, target.data(), nameBytes);
  return SetFileInformationByHandle(handle, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != 0;
}

}  // namespace platform::win32

namespace platform::detail {

// The handles of a walk are held for one change only: nothing is kept between changes.
void ReleaseConfinedWalks() {}

}  // namespace platform::detail
