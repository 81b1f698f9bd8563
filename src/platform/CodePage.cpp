// Windows-1252 <-> UTF-16 <-> UTF-8. Portable: no system call is needed.
#include "platform/CodePage.h"

#include <array>
#include <unordered_map>

namespace platform {

namespace {

// 0x80-0x9F of Windows-1252; the five undefined bytes map to the C1 control of the
// same value, as the system's conversion does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t ByteToUnit(uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

const std::unordered_map<char16_t, uint8_t>& UnitToByteTable() {
  static const std::unordered_map<char16_t, uint8_t> table = [] {
    std::unordered_map<char16_t, uint8_t> map;
    for (int b = 0; b < 256; ++b) map.emplace(ByteToUnit(static_cast<uint8_t>(b)), b);
    return map;
  }();
  return table;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

// Decodes one UTF-8 sequence at text[i]; advances i. Malformed input gives U+FFFD.
char32_t NextUtf8(std::string_view text, size_t& i) {
  const auto lead = static_cast<uint8_t>(text[i++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return 0xFFFD;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size() || (static_cast<uint8_t>(text[i]) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (static_cast<uint8_t>(text[i++]) & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

// Windows-1252 letters with a case partner: the Latin-1 range plus the few in 0x80-0x9F.
uint8_t AnsiLowerByte(uint8_t b) {
  if (b >= 'A' && b <= 'Z') return b + 32;
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return b + 32;
  switch (b) {
    case 0x8A: return 0x9A;  // S caron
    case 0x8C: return 0x9C;  // OE
    case 0x8E: return 0x9E;  // Z caron
    case 0x9F: return 0xFF;  // Y diaeresis
    default: return b;
  }
}

uint8_t AnsiUpperByte(uint8_t b) {
  if (b >= 'a' && b <= 'z') return b - 32;
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return b - 32;
  switch (b) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return b;
  }
}

template <typename Fn>
std::string MapBytes(std::string_view text, Fn fn) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(fn(static_cast<uint8_t>(c)));
  return out;
}

}  // namespace

std::u16string AnsiToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out += ByteToUnit(static_cast<uint8_t>(c));
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  const auto& table = UnitToByteTable();
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    // A surrogate pair is one character outside the code page.
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
      out += '?';
      continue;
    }
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {  // the same value in both
      out += static_cast<char>(unit);
      continue;
    }
    auto found = table.find(unit);
    out += found == table.end() ? '?' : static_cast<char>(found->second);
  }
  return out;
}

std::string WideToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // a lone surrogate
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::u16string Utf8ToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) AppendUtf16(out, NextUtf8(text, i));
  return out;
}

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Plain ASCII, the common case for file names, needs no conversion.
std::string AnsiToUtf8(std::string_view text) {
  return IsAscii(text) ? std::string(text) : WideToUtf8(AnsiToWide(text));
}
std::string Utf8ToAnsi(std::string_view text) {
  return IsAscii(text) ? std::string(text) : WideToAnsi(Utf8ToWide(text));
}

std::string AsciiLower(std::string_view text) {
  return MapBytes(text, [](uint8_t b) { return b >= 'A' && b <= 'Z' ? b + 32 : b; });
}
std::string AsciiUpper(std::string_view text) {
  return MapBytes(text, [](uint8_t b) { return b >= 'a' && b <= 'z' ? b - 32 : b; });
}
std::string AnsiLower(std::string_view text) { return MapBytes(text, AnsiLowerByte); }
std::string AnsiUpper(std::string_view text) { return MapBytes(text, AnsiUpperByte); }

bool SameTextAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

}  // namespace platform
