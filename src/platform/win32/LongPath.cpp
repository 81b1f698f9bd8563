#include "platform/win32/LongPath.h"

#include "platform/win32/WinText.h"

namespace platform::win32 {

namespace {

constexpr size_t kClassicLimit = MAX_PATH - 12;  // room for an 8.3 name inside a folder

bool IsAbsoluteAndNormalised(const std::wstring& path) {
  const bool drive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
  if (!drive || path.find(L'/') != std::wstring::npos) return false;
  for (size_t start = 3; start <= path.size();) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring part = path.substr(start, end - start);
    if (part.empty() && end != path.size()) return false;
    if (part == L"." || part == L"..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

std::wstring SystemPath(const std::string& path) {
  std::wstring wide = Wide(path);
  if (wide.size() > kClassicLimit && IsAbsoluteAndNormalised(wide)) return L"\\\\?\\" + wide;
  return wide;
}

}  // namespace platform::win32
