#include "platform/win32/LongPath.h"

#include "platform/win32/WinText.h"

namespace platform::win32 {

namespace {

constexpr size_t kClassicLimit = MAX_PATH - 12;  // room for an 8.3 name inside a folder

bool HasPrefix(const std::wstring& path) {
  return path.size() >= 4 && path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') &&
         path[3] == L'\\';
}

// Where the parts after the root begin: 3 for "C:\", past "\\server\share\" for a
// share; 0 when the path is not absolute in one of those forms.
size_t PartsStart(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
      ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')))
    return 3;
  if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\') {
    const size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos || server == 2) return 0;
    const size_t share = path.find(L'\\', server + 1);
    if (share == server + 1) return 0;
    return share == std::wstring::npos ? path.size() : share + 1;
  }
  return 0;
}

bool IsAbsoluteAndNormalised(const std::wstring& path) {
  const size_t start = PartsStart(path);
  if (start == 0 || path.find(L'/') != std::wstring::npos) return false;
  for (size_t at = start; at < path.size();) {
    size_t end = path.find(L'\\', at);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring part = path.substr(at, end - at);
    if (part.empty() && end != path.size()) return false;  // "\\" inside the path
    if (part == L"." || part == L"..") return false;
    // The system drops a trailing dot or space; behind the prefix they would stay.
    if (!part.empty() && (part.back() == L'.' || part.back() == L' ')) return false;
    at = end + 1;
  }
  return true;
}

std::wstring WithPrefix(const std::wstring& path) {
  if (path[0] == L'\\') return L"\\\\?\\UNC\\" + path.substr(2);  // "\\server\share\..."
  return L"\\\\?\\" + path;
}

}  // namespace

std::wstring FullPathOf(const std::wstring& path) {
  if (path.empty()) return std::wstring();
  std::wstring full(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return std::wstring();
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.assign(length + 1, L'\0');  // too small: length is the size needed
  }
  return std::wstring();
}

std::wstring SystemPath(const std::wstring& path) {
  if (path.size() <= kClassicLimit || HasPrefix(path)) return path;
  if (IsAbsoluteAndNormalised(path)) return WithPrefix(path);
  const std::wstring full = FullPathOf(path);
  if (IsAbsoluteAndNormalised(full)) return WithPrefix(full);
  return path;
}

std::wstring SystemPath(const std::string& path) { return SystemPath(Wide(path)); }

}  // namespace platform::win32
