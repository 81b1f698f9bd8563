#include "script/SE_TextHelpers.h"

std::string IncludeBackslash(std::string_view path) {
  std::string result(path);
  if (!result.empty() && result.back() != '\\') result += '\\';
  return result;
}

std::pair<std::string, std::string> SplitNameValue(std::string_view text) {
  const size_t eq = text.find('=');
  if (eq == std::string_view::npos) return {std::string(), std::string(text)};
  return {std::string(text.substr(0, eq)), std::string(text.substr(eq + 1))};
}

int32_t ToIntOrMinusOne(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return -1;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
    if (value > 0x80000000LL) return -1;
  }
  if (!negative && value > 0x7FFFFFFFLL) return -1;
  return static_cast<int32_t>(negative ? -value : value);
}

std::string ExtractFileDir(std::string_view path) {
  const size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos) return {};
  // Keep the backslash of a drive root ("C:\x" -> "C:\").
  if (slash == 2 && path.size() > 1 && path[1] == ':') return std::string(path.substr(0, 3));
  return std::string(path.substr(0, slash));
}

std::string ExtractFileName(std::string_view path) {
  const size_t cut = path.find_last_of("\\:");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}
