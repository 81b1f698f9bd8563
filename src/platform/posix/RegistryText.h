// Wine's registry text format, line by line: the string escapes (\\ \" \n \t \x20ac
// \012 ...), key lines "[Software\\Wine] 1700000000" and value lines ("name"="text",
// @=..., str(2):"...", dword:..., hex(N):.. with continuation lines).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::posix {

// Value types as the system numbers them.
enum RegistryType : uint32_t {
  kRegNone = 0,
  kRegString = 1,
  kRegExpandString = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegLink = 6,
  kRegMultiString = 7,
};

// Escapes a text as Wine writes it; `specials` are the two characters that get a
// backslash besides the backslash itself ("\"\"" in values, "[]" in key names).
std::string EscapeRegistryText(std::u16string_view text, const char* specials);

// Reads an escaped text up to the first unescaped `end` character, appending it to out
// (when given). Returns the number of bytes read including that character, or
// std::string_view::npos when it is missing. Bytes above 127 (not written by Wine, but
// by editors) are read as UTF-8.
size_t UnescapeRegistryText(std::string_view text, char end, std::u16string* out);

// A parsed value line (and its continuation lines).
struct RegistryValueLine {
  std::u16string name;  // "" for the default value "@"
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;  // as the system stores it: strings in UTF-16LE with a 0
};

// Parses the value that starts at lines[first] (with any trailing "\r" removed).
// Sets lineCount to the number of lines it takes and type to its type; false when it
// is malformed. With value given, also decodes its name and data (a file is checked
// whole when it is read, but only the values asked for are decoded).
bool ParseRegistryValue(const std::vector<std::string_view>& lines, size_t first, size_t& lineCount,
                        uint32_t& type, RegistryValueLine* value = nullptr);

// "name"="data" (or @="data" for the default value), as Wine writes a string value.
std::string FormatRegistryString(std::u16string_view name, std::u16string_view data);

// The string data of a value: UTF-16LE up to the first 0.
std::u16string RegistryDataAsText(const std::vector<uint8_t>& data);
std::vector<uint8_t> RegistryTextAsData(std::u16string_view text);

// A line without its "\r" (files edited on Windows end their lines with CR LF).
std::string_view LineContent(std::string_view line);

}  // namespace platform::posix
