#include "platform/win32/WinText.h"

#include <vector>

#include "platform/CodePage.h"

namespace platform::win32 {

std::wstring Wide(std::string_view ansi) {
  const std::u16string wide = AnsiToWide(ansi);
  return std::wstring(wide.begin(), wide.end());
}

std::string Ansi(std::wstring_view wide) { return WideToAnsi(std::u16string(wide.begin(), wide.end())); }

bool FitsCodePage(std::wstring_view wide) {
  return AnsiToWide(Ansi(wide)) == std::u16string(wide.begin(), wide.end());
}

std::string AnsiPathFromSystem(const std::wstring& path) {
  if (FitsCodePage(path)) return Ansi(path);
  const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (needed > 0) {
    std::vector<wchar_t> buffer(needed + 1);
    const DWORD length = GetShortPathNameW(path.c_str(), buffer.data(), needed + 1);
    if (length > 0 && length <= needed) {
      const std::wstring shortPath(buffer.data(), length);
      if (FitsCodePage(shortPath)) return Ansi(shortPath);
    }
  }
  return Ansi(path);
}

std::string ErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length ? std::wstring(text, length) : std::wstring();
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' ||
                              message.back() == L'.'))
    message.pop_back();
  if (message.empty()) return "error " + std::to_string(code);
  return Ansi(message);
}

}  // namespace platform::win32
