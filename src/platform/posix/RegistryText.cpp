#include "platform/posix/RegistryText.h"

#include <cstdio>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/LittleEndian.h"

namespace platform::posix {

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Comma-separated hex bytes; stops at the first character that does not belong.
size_t ParseHexBytes(std::string_view text, std::vector<uint8_t>* out) {
  size_t i = 0;
  while (i < text.size() && IsHexDigit(text[i])) {
    unsigned value = 0;
    size_t digits = 0;
    while (i < text.size() && IsHexDigit(text[i]) && digits < 2)
      value = value * 16 + HexValue(text[i++]), ++digits;
    if (i < text.size() && IsHexDigit(text[i])) return std::string_view::npos;  // > 0xff
    if (out) out->push_back(static_cast<uint8_t>(value));
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i < text.size() && text[i] == ',') ++i;
    while (i < text.size() && IsSpace(text[i])) ++i;
  }
  return i;
}

// The type tag after "=": its type, whether the data is a quoted string, and its length.
bool ParseTypeTag(std::string_view text, uint32_t& type, bool& quoted, size_t& length) {
  struct Tag {
    const char* text;
    uint32_t type;
    bool quoted;
  };
  static const Tag tags[] = {{"\"", kRegString, true},
                             {"str:\"", kRegString, true},
                             {"str(2):\"", kRegExpandString, true},
                             {"str(7):\"", kRegMultiString, true},
                             {"hex:", kRegBinary, false},
                             {"dword:", kRegDword, false}};
  for (const Tag& tag : tags) {
    if (text.substr(0, std::strlen(tag.text)) == tag.text) {
      type = tag.type;
      quoted = tag.quoted;
      length = std::strlen(tag.text);
      return true;
    }
  }
  if (text.substr(0, 4) != "hex(") return false;
  size_t i = 4;
  uint32_t value = 0;
  while (i < text.size() && IsHexDigit(text[i]) && i < 12) value = value * 16 + HexValue(text[i++]);
  if (i == 4 || text.substr(i, 2) != "):") return false;
  type = value;
  quoted = false;
  length = i + 2;
  return true;
}

}  // namespace

std::string_view LineContent(std::string_view line) {
  std::string_view view = line;
  if (!view.empty() && view.back() == '\r') view.remove_suffix(1);
  return view;
}

std::string EscapeRegistryText(std::u16string_view text, const char* specials) {
  static const char kNamed[32] = {0, 0, 0, 0, 0, 0, 0, 'a', 'b', 't', 'n', 'v', 'f', 'r', 0, 0,
                                  0, 0, 0, 0, 0, 0, 0, 0,   0,   0,   0,   'e', 0,   0,   0, 0};
  std::string out;
  out.reserve(text.size());
  char buffer[16];
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool hexFollows = i + 1 < text.size() && text[i + 1] < 128 && IsHexDigit(char(text[i + 1]));
    const bool octalFollows = i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7';
    if (c > 127) {
      std::snprintf(buffer, sizeof buffer, hexFollows ? "\\x%04x" : "\\x%x", unsigned(c));
      out += buffer;
    } else if (c < 32) {
      if (kNamed[c]) {
        out += '\\';
        out += kNamed[c];
      } else {
        std::snprintf(buffer, sizeof buffer, octalFollows ? "\\%03o" : "\\%o", unsigned(c));
        out += buffer;
      }
    } else {
      if (c == '\\' || c == specials[0] || c == specials[1]) out += '\\';
      out += static_cast<char>(c);
    }
  }
  return out;
}

size_t UnescapeRegistryText(std::string_view text, char end, std::u16string* out) {
  const auto put = [out](char16_t c) {
    if (out) out->push_back(c);
  };
  size_t i = 0;
  while (i < text.size() && text[i] != end) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80 && c != '\\') {
      put(static_cast<char16_t>(c));
      ++i;
      continue;
    }
    if (c >= 0x80) {
      // An 8-bit byte: one UTF-8 sequence (or the byte itself when it is not one).
      size_t length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
      if (i + length > text.size()) length = 1;
      const std::u16string decoded = length == 1 ? u"" : Utf8ToWide(text.substr(i, length));
      if (decoded.empty() || decoded.find(u'\uFFFD') != std::u16string::npos) {
        put(static_cast<char16_t>(c));
        ++i;
      } else {
        if (out) *out += decoded;
        i += length;
      }
      continue;
    }
    if (++i >= text.size()) return std::string_view::npos;
    const char e = text[i++];
    switch (e) {
      case 'a': put(u'\a'); break;
      case 'b': put(u'\b'); break;
      case 'e': put(char16_t(27)); break;
      case 'f': put(u'\f'); break;
      case 'n': put(u'\n'); break;
      case 'r': put(u'\r'); break;
      case 't': put(u'\t'); break;
      case 'v': put(u'\v'); break;
      case 'x': {
        if (i >= text.size() || !IsHexDigit(text[i])) {
          put(u'x');
          break;
        }
        unsigned value = 0;
        for (int k = 0; k < 4 && i < text.size() && IsHexDigit(text[i]); ++k)
          value = value * 16 + HexValue(text[i++]);
        put(static_cast<char16_t>(value));
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unsigned value = e - '0';
          for (int k = 0; k < 2 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++k)
            value = value * 8 + (text[i++] - '0');
          put(static_cast<char16_t>(value));
        } else {
          put(static_cast<char16_t>(static_cast<unsigned char>(e)));
        }
    }
  }
  return i < text.size() ? i + 1 : std::string_view::npos;
}

bool ParseRegistryValue(const std::vector<std::string_view>& lines, size_t first, size_t& lineCount,
                        uint32_t& type, RegistryValueLine* value) {
  std::string_view text = LineContent(lines[first]);
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  lineCount = 1;
  if (value) *value = RegistryValueLine{};
  std::u16string* name = value ? &value->name : nullptr;
  std::vector<uint8_t>* data = value ? &value->data : nullptr;
  size_t at = 0;
  if (text.substr(0, 1) == "@") {
    at = 1;
  } else if (text.substr(0, 1) == "\"") {
    const size_t used = UnescapeRegistryText(text.substr(1), '"', name);
    if (used == std::string_view::npos) return false;
    at = 1 + used;
  } else {
    return false;
  }
  while (at < text.size() && IsSpace(text[at])) ++at;
  if (at >= text.size() || text[at] != '=') return false;
  ++at;
  while (at < text.size() && IsSpace(text[at])) ++at;
  bool quoted = false;
  size_t tagLength = 0;
  if (!ParseTypeTag(text.substr(at), type, quoted, tagLength)) return false;
  if (value) value->type = type;
  std::string_view rest = text.substr(at + tagLength);
  if (quoted) {
    if (!value) return UnescapeRegistryText(rest, '"', nullptr) != std::string_view::npos;
    std::u16string decoded;
    if (UnescapeRegistryText(rest, '"', &decoded) == std::string_view::npos) return false;
    decoded += u'\0';
    *data = RegistryTextAsData(decoded);
    return true;
  }
  if (type == kRegDword && tagLength == 6) {
    unsigned long number = 0;
    size_t digits = 0;
    while (digits < rest.size() && IsHexDigit(rest[digits]) && digits < 8)
      number = number * 16 + HexValue(rest[digits++]);
    if (digits == 0) return false;
    if (data)
      for (int k = 0; k < 4; ++k) data->push_back(static_cast<uint8_t>(number >> (8 * k)));
    return true;
  }
  for (;;) {
    const size_t used = ParseHexBytes(rest, data);
    if (used == std::string_view::npos) return false;
    rest.remove_prefix(used);
    while (!rest.empty() && IsSpace(rest.front())) rest.remove_prefix(1);
    if (rest.empty()) return true;
    if (rest != "\\" || first + lineCount >= lines.size()) return false;
    rest = LineContent(lines[first + lineCount++]);
    while (!rest.empty() && IsSpace(rest.front())) rest.remove_prefix(1);
  }
}

std::string FormatRegistryString(std::u16string_view name, std::u16string_view data) {
  std::string line;
  if (name.empty()) {
    line += '@';
  } else {
    line += '"';
    line += EscapeRegistryText(name, "\"\"");
    line += '"';
  }
  line += "=\"";
  line += EscapeRegistryText(data, "\"\"");
  line += '"';
  return line;
}

std::u16string RegistryDataAsText(const std::vector<uint8_t>& data) {
  std::u16string text;
  for (size_t k = 0; k + 1 < data.size(); k += 2) {
    const char16_t c = static_cast<char16_t>(DecodeFixed16(&data[k]));
    if (c == 0) break;
    text += c;
  }
  return text;
}

std::vector<uint8_t> RegistryTextAsData(std::u16string_view text) {
  std::vector<uint8_t> data;
  data.reserve(text.size() * 2 + 2);
  for (const char16_t c : text) {
    data.push_back(static_cast<uint8_t>(c & 0xFF));
    data.push_back(static_cast<uint8_t>(c >> 8));
  }
  return data;
}

}  // namespace platform::posix
