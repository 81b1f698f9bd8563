// File and folder operations on the Win32 API. The system already refuses what the
// program expects refused (deleting or replacing a read-only file, renaming onto an
// existing name); a copy goes to a temporary file beside the target first, so a failed
// copy leaves the target as it was, and a copy onto the source itself is refused.
#include "platform/Files.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/WinText.h"
#include "platform/CodePage.h"
#include "platform/ConfinedFolders.h"
#include "platform/FaultInjection.h"
#include "platform/win32/ConfinedWalk.h"
#include "platform/win32/LongPath.h"

namespace platform {

namespace {

using win32::SystemPath;

DWORD AttributesOf(const std::string& path) { return GetFileAttributesW(SystemPath(path).c_str()); }

bool IsDirectoryAttribute(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool IsWindowsForm(const std::string& path) {
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (path.size() >= 2 && letter(path[0]) && path[1] == ':')
    return path.size() == 2 || path[2] == '\\' || path[2] == '/';
  return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

// The system's facts of an open file or folder.
std::optional<BY_HANDLE_FILE_INFORMATION> InformationOf(const std::string& path) {
  const HANDLE handle = CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  const bool ok = GetFileInformationByHandle(handle, &info);
  const DWORD error = GetLastError();
  CloseHandle(handle);
  SetLastError(error);
  if (!ok) return std::nullopt;
  return info;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

uint64_t FileTimeValue(const FILETIME& time) {
  return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Whether a find record or attribute set names a link to elsewhere: a symbolic link
// or a junction. Other reparse points (a cloud file's placeholder, a deduplicated
// file) are the files themselves; a tag of 0 is a system that does not tell.
bool IsLink(DWORD attributes, DWORD reparseTag) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         (reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag));
}

// The find record of one name (no wildcards), for its reparse tag.
std::optional<WIN32_FIND_DATAW> FindRecordOf(const std::string& path) {
  if (path.find_first_of("*?") != std::string::npos) return std::nullopt;
  WIN32_FIND_DATAW found;
  const HANDLE search =
      FindFirstFileExW(SystemPath(path).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  return found;
}

bool IsLinkAt(const std::string& path) {
  const auto found = FindRecordOf(path);
  return found && IsLink(found->dwFileAttributes, found->dwReserved0);
}

// Whether a path names the root of a drive or of a share, in any spelling.
bool IsRoot(const std::string& path) {
  std::wstring full = win32::FullPathOf(win32::Wide(path));
  if (full.empty()) return false;
  if (full.rfind(L"\\\\?\\UNC\\", 0) == 0) full = L"\\\\" + full.substr(8);
  else if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) full = full.substr(4);
  while (!full.empty() && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  if (full.size() <= 2) return true;  // "C:" (and nothing sensible shorter)
  if (full[0] == L'\\' && full[1] == L'\\') {
    const size_t server = full.find(L'\\', 2);
    return server == std::wstring::npos || full.find(L'\\', server + 1) == std::wstring::npos;
  }
  return false;
}

// A name beside the target that nothing uses yet, for a copy on its way.
std::string TemporaryBeside(const std::string& target, unsigned attempt) {
  static LONG counter = 0;
  return ParentOf(target) + "\\.copy-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(InterlockedIncrement(&counter)) + "-" + std::to_string(attempt) + ".tmp";
}

// Removes a file we made, even when it took a read-only attribute from its source,
// without changing the error the caller reports.
void DiscardTemporary(const std::wstring& path) {
  const DWORD error = GetLastError();
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
  SetLastError(error);
}

// The 8-bit name of a directory entry: as it is when it fits the code page, else the
// entry's short name, which opens the same file.
std::string EntryName(const std::string& directory, const std::wstring& name) {
  if (win32::FitsCodePage(name)) return win32::Ansi(name);
  const std::wstring full = win32::SystemPath(win32::Wide(directory + "\\") + name);
  const std::string shortPath = win32::AnsiPathFromSystem(full);
  const size_t slash = shortPath.find_last_of('\\');
  return slash == std::string::npos ? shortPath : shortPath.substr(slash + 1);
}

// A handle that closes itself.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (IsOpen()) CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Below a confined folder: the file (or link) itself goes, through a handle opened on
// the way the walk checked; a folder that is no link is refused as DeleteFileAt refuses it.
bool DeleteConfined(const std::string& path) {
  const OwnedHandle name(win32::OpenNameItself(path, DELETE));
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (!name.IsOpen() || !win32::TagOf(name.Get(), tag)) return false;
  const bool link = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (detail::FileHeldInUse(path)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return false;
  }
  // A folder link whose kind the system does not tell (Wine's view of a host link) is
  // refused, as DeleteFileAt refuses it: there the removal would reach its target.
  const bool folder = (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if ((folder && (!link || tag.ReparseTag == 0)) || (tag.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return win32::DeleteByHandle(name.Get());
}

bool RemoveEmptyConfined(const std::string& path) {
  const OwnedHandle name(win32::OpenNameItself(path, DELETE));
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (!name.IsOpen() || !win32::TagOf(name.Get(), tag)) return false;
  if (!(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    SetLastError(ERROR_ACCESS_DENIED);  // a file, or a link, is not an empty folder
    return false;
  }
  return win32::DeleteByHandle(name.Get());
}

// Moves the name itself (a link as a link) once both ways are held. A target that
// exists is replaced only when asked, and never when it is a folder or read-only.
bool RenameConfined(const std::string& from, const std::string& to, bool replace) {
  const auto fromWay = win32::PinWayTo(from);
  const auto toWay = fromWay ? win32::PinWayTo(to) : std::nullopt;
  if (!toWay) return false;
  const OwnedHandle name(win32::OpenNameItself(from, DELETE));
  if (!name.IsOpen()) return false;
  if (replace) {
    const OwnedHandle old(win32::OpenNameItself(to, 0));
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (old.IsOpen() && win32::TagOf(old.Get(), tag) &&
        (tag.FileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
  }
  return win32::RenameByHandle(name.Get(), to, replace);
}

bool IsConfined(const std::string& path) { return detail::ConfinementOf(path).has_value(); }

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsLink(const std::string& path) { return IsLinkAt(path); }

bool DirectoryExists(const std::string& path) { return IsDirectoryAttribute(AttributesOf(path)); }

PathState StateOfPath(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  if (attributes != INVALID_FILE_ATTRIBUTES)
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathState::Directory : PathState::File;
  // A missing folder on the way gives "path not found" instead.
  return GetLastError() == ERROR_FILE_NOT_FOUND ? PathState::MissingInFolder : PathState::Missing;
}

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool SetReadOnly(const std::string& path, bool readOnly) {
  // Only these can be set; "normal" stands alone, meaning none of them.
  constexpr DWORD kSettable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                              FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY;
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  const DWORD kept = attributes & kSettable;
  const DWORD changed = readOnly ? kept | FILE_ATTRIBUTE_READONLY : kept & ~DWORD(FILE_ATTRIBUTE_READONLY);
  return SetFileAttributesW(SystemPath(path).c_str(), changed ? changed : FILE_ATTRIBUTE_NORMAL);
}

bool DeleteFileAt(const std::string& path) {
  if (IsConfined(path)) {
    const auto way = win32::PinWayTo(path);
    return way && DeleteConfined(path);
  }
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (detail::FileHeldInUse(path)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return false;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    // A link to a folder is removed as a folder entry, never what it points at; a
    // real folder is not a file. A link whose kind the system does not tell (Wine's
    // view of a host link) is refused: there the removal would reach its target.
    const auto found = FindRecordOf(path);
    if (found && IsLink(found->dwFileAttributes, found->dwReserved0) && found->dwReserved0 != 0)
      return RemoveDirectoryW(SystemPath(path).c_str());
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // The system refuses a read-only file, but Wine lets root delete one.
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return DeleteFileW(SystemPath(path).c_str());
}

// NTFS writes a new name to its own log before the creation returns; there is no
// folder to flush, only a file that must exist.
bool FlushDirectoryOf(const std::string& path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool CopyFileOverwriting(const std::string& source, const std::string& target) {
  const auto from = InformationOf(source);
  if (!from) return false;
  if (from->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (const auto to = InformationOf(target)) {
    if ((to->dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) ||
        SameFile(*from, *to)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;  // a folder, a protected file, or the source itself
    }
  }
  // The bytes go to a new file beside the target, which then replaces the target in
  // one step: a copy that fails half-way leaves the old target as it was.
  std::wstring temp;
  for (unsigned attempt = 0;; ++attempt) {
    temp = SystemPath(TemporaryBeside(target, attempt));
    if (CopyFileW(SystemPath(source).c_str(), temp.c_str(), TRUE)) break;
    // A name left by an earlier run is tried again under another; other failures
    // may have left part of a copy.
    if (GetLastError() == ERROR_FILE_EXISTS && attempt < 16) continue;
    if (GetLastError() != ERROR_FILE_EXISTS) DiscardTemporary(temp);
    return false;
  }
  if (MoveFileExW(temp.c_str(), SystemPath(target).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DiscardTemporary(temp);
  return false;
}

// The system maps drive letters itself, for every call.
PathMappingScope::PathMappingScope() = default;
PathMappingScope::~PathMappingScope() = default;
DriveMappingScope::DriveMappingScope() = default;
DriveMappingScope::~DriveMappingScope() = default;

bool ReplaceFileWith(const std::string& source, const std::string& target, Durability durability) {
  if (IsConfined(source) || IsConfined(target)) {
    if (RenameConfined(source, target, false)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) return false;
    return RenameConfined(source, target, true);
  }
  const std::wstring from = SystemPath(source), to = SystemPath(target);
  // Write-through: the new name is on the disk when the call returns.
  const DWORD writeThrough = durability == Durability::Now ? MOVEFILE_WRITE_THROUGH : 0;
  // A new name, the common case, takes one call; what is already there is looked at
  // before it is replaced.
  if (MoveFileExW(from.c_str(), to.c_str(), writeThrough)) return true;
  if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) return false;
  const DWORD attributes = AttributesOf(target);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | writeThrough);
}

bool FlushVolumeOf(const std::string& path) {
  // The volume of a drive path: "\\.\C:" for "C:\...".
  if (path.size() < 2 || path[1] != ':') {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  const std::wstring volume = L"\\\\.\\" + std::wstring(1, static_cast<wchar_t>(path[0])) + L":";
  const HANDLE handle = CreateFileW(volume.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(handle) != 0;
  const DWORD saved = GetLastError();
  CloseHandle(handle);
  SetLastError(saved);
  return flushed;
}

bool PathExists(const std::string& path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool RenameFile(const std::string& oldPath, const std::string& newPath) {
  const bool confined = IsConfined(oldPath) || IsConfined(newPath);
  const auto move = [&](const std::string& a, const std::string& b) {
    return confined ? RenameConfined(a, b, false)
                    : MoveFileExW(SystemPath(a).c_str(), SystemPath(b).c_str(), 0) != 0;
  };
  const std::wstring from = SystemPath(oldPath), to = SystemPath(newPath);
  const auto fromFacts = InformationOf(oldPath);
  if (!fromFacts) return false;
  const auto toFacts = InformationOf(newPath);
  if (toFacts && SameFile(*fromFacts, *toFacts)) {
    // The same name in other letter case: only the spelling changes. Not every file
    // system renames a name onto itself, so the file goes by a temporary name. (When
    // the new name is another link to the file, the last step fails as it should.)
    if (oldPath == newPath) return true;
    std::string temp;
    for (unsigned attempt = 0;; ++attempt) {
      temp = TemporaryBeside(oldPath, attempt);
      if (move(oldPath, temp)) break;
      if ((GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) || attempt >= 16)
        return false;
    }
    if (move(temp, newPath)) return true;
    const DWORD error = GetLastError();
    move(temp, oldPath);
    SetLastError(error);
    return false;
  }
  // Below a confined folder the name itself moves, on this volume only.
  if (confined) return move(oldPath, newPath);
  // Without MOVEFILE_REPLACE_EXISTING an existing target is refused. Across volumes
  // a file is copied and its old name removed; a folder cannot go there.
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED);
}

bool MakeDirectory(const std::string& path) {
  // A new folder is made by a call that never follows its own name; below a confined
  // folder the way to it is held while it is made.
  const auto way = win32::PinWayTo(path);
  return way && CreateDirectoryW(SystemPath(path).c_str(), nullptr);
}

bool RemoveEmptyDirectory(const std::string& path) {
  // Never a drive's root; and a link to a folder is not itself an empty folder (Windows
  // would remove the link whatever its target holds, Wine the empty target itself).
  if (IsRoot(path) || (DirectoryExists(path) && IsLinkAt(path))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (IsConfined(path)) {
    const auto way = win32::PinWayTo(path);
    return way && RemoveEmptyConfined(path);
  }
  return RemoveDirectoryW(SystemPath(path).c_str());
}

std::vector<DirectoryEntry> ListDirectory(const std::string& path) {
  std::vector<DirectoryEntry> entries;
  std::string folder = path;
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW(SystemPath(folder + "\\*").c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back({EntryName(folder, name), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       IsLink(found.dwFileAttributes, found.dwReserved0)});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  // Sorted as the Linux half sorts: without regard to case, then by the exact name.
  std::vector<std::pair<std::u16string, size_t>> keys;
  keys.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) keys.emplace_back(AnsiToWide(AnsiLower(entries[i].name)), i);
  std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return entries[a.second].name < entries[b.second].name;
  });
  std::vector<DirectoryEntry> sorted;
  sorted.reserve(entries.size());
  for (const auto& key : keys) sorted.push_back(std::move(entries[key.second]));
  return sorted;
}

std::optional<FileFacts> FileFactsOf(const std::string& path) {
  const auto info = InformationOf(path);
  if (!info) return std::nullopt;
  FileFacts facts;
  facts.isDirectory = info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
  facts.readOnly = info->dwFileAttributes & FILE_ATTRIBUTE_READONLY;
  facts.size = facts.isDirectory ? 0 : (uint64_t(info->nFileSizeHigh) << 32) | info->nFileSizeLow;
  facts.creationTime = FileTimeValue(info->ftCreationTime);
  facts.lastAccessTime = FileTimeValue(info->ftLastAccessTime);
  facts.lastWriteTime = FileTimeValue(info->ftLastWriteTime);
  facts.volumeId = info->dwVolumeSerialNumber;
  facts.fileId = (uint64_t(info->nFileIndexHigh) << 32) | info->nFileIndexLow;
  return facts;
}

std::string TempFolder() {
  std::wstring folder(MAX_PATH + 1, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    if (length == 0) return std::string();
    if (length < folder.size()) {
      folder.resize(length);
      break;
    }
    folder.assign(length + 1, L'\0');  // too small: length is the size needed
  }
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/' || folder.back() == 0))
    folder.pop_back();
  if (folder.empty()) return std::string();
  // Made with every missing folder above it, as a fresh profile may lack them.
  for (size_t at = folder.find(L'\\', 3);; at = folder.find(L'\\', at + 1)) {
    const std::wstring level = at == std::wstring::npos ? folder : folder.substr(0, at);
    if (GetFileAttributesW(win32::SystemPath(level).c_str()) == INVALID_FILE_ATTRIBUTES)
      CreateDirectoryW(win32::SystemPath(level).c_str(), nullptr);
    if (at == std::wstring::npos) break;
  }
  return win32::AnsiPathFromSystem(folder);
}

std::string OwnExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      path.resize(length);
      return win32::AnsiPathFromSystem(path);
    }
    path.resize(path.size() * 2);
  }
}

bool MarkExecutable(const std::string& path) { return FileExists(path); }  // no such mark here

std::optional<std::string> HostPathOf(const std::string& windowsPath) {
  // On Windows the host's path is the Windows path itself, only absolute and in UTF-8,
  // with every name as the user sees it: the program's own 8-bit paths reach a name the
  // code page lacks through its short name, which tells the user nothing.
  std::wstring full = win32::FullPathOf(win32::Wide(windowsPath));
  if (full.empty()) return std::nullopt;
  // (A missing path, or one too long for the call, stays as it is.)
  const DWORD needed = GetLongPathNameW(full.c_str(), nullptr, 0);
  if (needed > 0) {
    std::wstring longPath(needed, L'\0');
    const DWORD length = GetLongPathNameW(full.c_str(), longPath.data(), needed);
    if (length > 0 && length < needed) full = longPath.substr(0, length);
  }
  return WideToUtf8(std::u16string(full.begin(), full.end()));
}

std::string WindowsPathOf(const std::string& hostPath) {
  // Here host paths look like Windows paths too ("C:\Users\...", from the command
  // line or HostPathOf), only in UTF-8. A text with characters above ASCII that is
  // valid UTF-8 is taken as such a host path; one that is not is the program's own
  // 8-bit text. (An 8-bit path that happens to be valid UTF-8 is rare: two or more
  // accented capitals and symbols in a row.)
  const bool ascii = std::all_of(hostPath.begin(), hostPath.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  const std::u16string utf16 = Utf8ToWide(hostPath);
  const bool utf8 = !ascii && WideToUtf8(utf16) == hostPath;
  if (IsWindowsForm(hostPath) && !utf8) return hostPath;
  const std::wstring wide = utf8 || ascii ? std::wstring(utf16.begin(), utf16.end()) : win32::Wide(hostPath);
  if (IsWindowsForm(hostPath)) return win32::AnsiPathFromSystem(wide);
  const std::wstring full = win32::FullPathOf(wide);
  return win32::AnsiPathFromSystem(full.empty() ? wide : full);
}

}  // namespace platform
