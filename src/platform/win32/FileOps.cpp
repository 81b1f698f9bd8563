// File and folder operations on the Win32 API. The system already refuses what the
// program expects refused (deleting or replacing a read-only file, renaming onto an
// existing name); a copy goes to a temporary file beside the target first, so a failed
// copy leaves the target as it was, and a copy onto the source itself is refused.
#include "platform/Files.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/WinText.h"
#include "platform/CodePage.h"
#include "platform/win32/LongPath.h"

namespace platform {

namespace {

using win32::SystemPath;

DWORD AttributesOf(const std::string& path) {
  return GetFileAttributesW(SystemPath(path).c_str());
}

bool IsDirectoryAttribute(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool IsDriveRoot(const std::string& path) {
  std::string rest = path.size() >= 2 && path[1] == ':' ? path.substr(2) : "x";
  while (!rest.empty() && (rest.back() == '\\' || rest.back() == '/')) rest.pop_back();
  return rest.empty();
}

bool IsWindowsForm(const std::string& path) {
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (path.size() >= 2 && letter(path[0]) && path[1] == ':')
    return path.size() == 2 || path[2] == '\\' || path[2] == '/';
  return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

// The system's facts of an open file or folder.
std::optional<BY_HANDLE_FILE_INFORMATION> InformationOf(const std::string& path) {
  const HANDLE handle =
      CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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

// A name beside the target that nothing else uses.
std::string TemporaryBeside(const std::string& target) {
  static LONG counter = 0;
  return ParentOf(target) + "\\.copy-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(InterlockedIncrement(&counter)) + ".tmp";
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  File file = File::Open(path, OpenMode::ReadShared);
  if (!file.IsOpen()) return std::nullopt;
  std::vector<uint8_t> bytes;
  const int64_t size = file.Size();
  if (size > 0) bytes.reserve(static_cast<size_t>(size));
  uint8_t buffer[1 << 16];
  while (const size_t got = file.Read(buffer, sizeof buffer))
    bytes.insert(bytes.end(), buffer, buffer + got);
  return bytes;
}

bool WriteFileBytes(const std::string& path, const void* data, size_t count) {
  File file = File::Open(path, OpenMode::CreateTruncate);
  return file.IsOpen() && file.WriteAll(data, count);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) { return IsDirectoryAttribute(AttributesOf(path)); }

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool SetReadOnly(const std::string& path, bool readOnly) {
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  const DWORD changed = readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                                 : attributes & ~DWORD(FILE_ATTRIBUTE_READONLY);
  return SetFileAttributesW(SystemPath(path).c_str(), changed ? changed : FILE_ATTRIBUTE_NORMAL);
}

bool DeleteFileAt(const std::string& path) { return DeleteFileW(SystemPath(path).c_str()); }

bool CopyFileOverwriting(const std::string& source, const std::string& target) {
  const auto from = InformationOf(source);
  if (!from || (from->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (const auto to = InformationOf(target)) {
    if ((to->dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) ||
        SameFile(*from, *to)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;  // a folder, a protected file, or the source itself
    }
  }
  const std::string temp = TemporaryBeside(target);
  if (!CopyFileW(SystemPath(source).c_str(), SystemPath(temp).c_str(), TRUE)) return false;
  if (MoveFileExW(SystemPath(temp).c_str(), SystemPath(target).c_str(), MOVEFILE_REPLACE_EXISTING))
    return true;
  const DWORD error = GetLastError();
  SetFileAttributesW(SystemPath(temp).c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(SystemPath(temp).c_str());
  SetLastError(error);
  return false;
}

bool RenameFile(const std::string& oldPath, const std::string& newPath) {
  // Without MOVEFILE_REPLACE_EXISTING an existing target is refused; the same name in
  // other letter case is a rename of the spelling. Across volumes a file is copied.
  const auto from = InformationOf(oldPath);
  const auto to = InformationOf(newPath);
  if (from && to && SameFile(*from, *to) && oldPath != newPath) {
    // Only the spelling changes. Not every file system renames a name onto itself,
    // so the file goes by a temporary name on the way.
    const std::string temp = TemporaryBeside(oldPath);
    if (!MoveFileExW(SystemPath(oldPath).c_str(), SystemPath(temp).c_str(), 0)) return false;
    if (MoveFileExW(SystemPath(temp).c_str(), SystemPath(newPath).c_str(), 0)) return true;
    const DWORD error = GetLastError();
    MoveFileExW(SystemPath(temp).c_str(), SystemPath(oldPath).c_str(), 0);
    SetLastError(error);
    return false;
  }
  return MoveFileExW(SystemPath(oldPath).c_str(), SystemPath(newPath).c_str(),
                     MOVEFILE_COPY_ALLOWED);
}

bool MakeDirectory(const std::string& path) {
  return CreateDirectoryW(SystemPath(path).c_str(), nullptr);
}

bool RemoveEmptyDirectory(const std::string& path) {
  if (IsDriveRoot(path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return RemoveDirectoryW(SystemPath(path).c_str());
}

std::vector<DirectoryEntry> ListDirectory(const std::string& path) {
  std::vector<DirectoryEntry> entries;
  std::string pattern = path;
  while (!pattern.empty() && (pattern.back() == '\\' || pattern.back() == '/')) pattern.pop_back();
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW(SystemPath(pattern + "\\*").c_str(), FindExInfoBasic,
                                         &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool link = found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
    entries.push_back({win32::Ansi(name), bool(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY), link});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  // Sorted as the Linux half sorts: without regard to case, then by the exact name.
  std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
    const std::string la = AnsiLower(a.name), lb = AnsiLower(b.name);
    if (la != lb) return AnsiToWide(la) < AnsiToWide(lb);
    return a.name < b.name;
  });
  return entries;
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
  wchar_t buffer[MAX_PATH + 2];
  const DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
  std::wstring folder = length > 0 && length <= MAX_PATH + 1 ? std::wstring(buffer, length) : L"";
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (folder.empty()) return std::string();
  CreateDirectoryW(folder.c_str(), nullptr);
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
  const std::wstring wide = win32::Wide(windowsPath);
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::nullopt;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return std::nullopt;
  full.resize(length);
  return WideToUtf8(std::u16string(full.begin(), full.end()));
}

std::string WindowsPathOf(const std::string& hostPath) {
  if (IsWindowsForm(hostPath)) return hostPath;
  const std::u16string utf16 = Utf8ToWide(hostPath);
  const std::wstring wide(utf16.begin(), utf16.end());
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return win32::AnsiPathFromSystem(wide);
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  full.resize(length < needed ? length : 0);
  return win32::AnsiPathFromSystem(full.empty() ? wide : full);
}

}  // namespace platform
