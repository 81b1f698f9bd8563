#include "stores/LauncherConfigs.h"

#include <vector>

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

// A YAML scalar as Lutris writes paths: plain, or in single or double quotes.
std::optional<std::string> YamlScalar(std::string_view text) {
  text = Trimmed(text);
  if (text.size() >= 2 && (text.front() == '\'' || text.front() == '"') && text.back() == text.front())
    text = text.substr(1, text.size() - 2);
  if (text.empty()) return std::nullopt;
  return std::string(text);
}

// One JSON string from its opening quote; at is moved past it.
std::optional<std::string> JsonString(std::string_view text, size_t& at) {
  if (at >= text.size() || text[at] != '"') return std::nullopt;
  std::string value;
  for (++at; at < text.size(); ++at) {
    char c = text[at];
    if (c == '"') {
      ++at;
      return value;
    }
    if (c == '\\') {
      if (++at >= text.size()) return std::nullopt;
      c = text[at];
      if (c == 'u') return std::nullopt;  // no prefix path of ours needs one
      c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    value += c;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> LutrisPrefix(std::string_view yaml) {
  bool inGame = false;
  size_t start = 0;
  while (start < yaml.size()) {
    size_t end = yaml.find('\n', start);
    if (end == std::string_view::npos) end = yaml.size();
    const std::string_view line = yaml.substr(start, end - start);
    start = end + 1;
    if (Trimmed(line).empty() || Trimmed(line).front() == '#') continue;
    const bool topLevel = line.front() != ' ' && line.front() != '\t';
    if (topLevel) {
      inGame = Trimmed(line) == "game:";
      continue;
    }
    const std::string_view item = Trimmed(line);
    if (inGame && item.substr(0, 7) == "prefix:") return YamlScalar(item.substr(7));
  }
  return std::nullopt;
}

std::optional<std::string> HeroicPrefix(std::string_view json) {
  constexpr std::string_view kKey = "\"winePrefix\"";
  for (size_t found = json.find(kKey); found != std::string_view::npos; found = json.find(kKey, found + 1)) {
    size_t at = found + kKey.size();
    while (at < json.size() && (json[at] == ' ' || json[at] == '\t' || json[at] == '\r' || json[at] == '\n'))
      ++at;
    if (at >= json.size() || json[at] != ':') continue;
    ++at;
    while (at < json.size() && (json[at] == ' ' || json[at] == '\t' || json[at] == '\r' || json[at] == '\n'))
      ++at;
    std::optional<std::string> value = JsonString(json, at);
    if (value && !value->empty()) return value;
  }
  return std::nullopt;
}
