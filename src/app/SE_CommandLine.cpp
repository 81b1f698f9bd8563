#include "app/SE_CommandLine.h"

#include "platform/Files.h"

namespace {

std::optional<uint16_t> ParseLanguageId(const std::string& text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  uint16_t value = 0;
  for (char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    value = static_cast<uint16_t>(value * 16 + digit);
  }
  return value;
}

}  // namespace

TSetupOptions ParseSetupCommandLine(const std::vector<std::string>& arguments) {
  TSetupOptions options;
  size_t i = 0;
  if (!arguments.empty() && arguments[0].rfind("--", 0) != 0) {
    const std::string path = platform::WindowsPathOf(arguments[0]);
    if (platform::FileExists(path)) {
      options.package = path;
      i = 1;
    }
  }
  for (; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (arg == "--silent") {
      options.silent = true;
    } else if (arg == "--dir" || arg == "--lang" || arg == "--prefix") {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
        options.error = arg + " needs a value";
        return options;
      }
      const std::string& value = arguments[++i];
      if (arg == "--dir") {
        options.directory = platform::WindowsPathOf(value);
      } else if (arg == "--prefix") {
        options.prefix = value;
      } else if (!(options.language = ParseLanguageId(value))) {
        options.error = "--lang takes a language identifier in hex (as 0409): " + value;
        return options;
      }
    }
  }
  return options;
}
