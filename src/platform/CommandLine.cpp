#include "platform/CommandLine.h"

namespace platform {

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> arguments;
  size_t i = 0;
  for (;;) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i >= text.size()) break;
    std::string argument;
    bool quoted = false;
    while (i < text.size() && (quoted || (text[i] != ' ' && text[i] != '\t'))) {
      if (text[i] == '\\') {
        size_t slashes = 0;
        while (i < text.size() && text[i] == '\\') ++slashes, ++i;
        if (i < text.size() && text[i] == '"') {
          argument.append(slashes / 2, '\\');
          if (slashes % 2) argument += '"', ++i;  // escaped quote
        } else {
          argument.append(slashes, '\\');
        }
      } else if (text[i] == '"') {
        if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
          argument += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        argument += text[i++];
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace platform
