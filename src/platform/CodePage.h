// Conversions between the program's 8-bit texts and the rest of the world.
//
// 8-bit program texts (entry names, script parameters, registry data) are in the
// Windows-1252 code page; wide texts are UTF-16; the host's file names, terminals and
// toolkits want UTF-8. Every byte 0-255 maps to one UTF-16 code unit and back, so an
// 8-bit text survives any round trip unchanged (the five bytes that Windows-1252 leaves
// undefined map to the C1 controls of the same value, as Windows does).
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::u16string AnsiToWide(std::string_view text);
// Characters outside Windows-1252 become '?'.
std::string WideToAnsi(std::u16string_view text);

std::string WideToUtf8(std::u16string_view text);
// Malformed UTF-8 sequences become U+FFFD.
std::u16string Utf8ToWide(std::string_view text);

std::string AnsiToUtf8(std::string_view text);
// Characters outside Windows-1252 become '?'.
std::string Utf8ToAnsi(std::string_view text);
// No byte above 0x7F: the text reads the same in Windows-1252 and UTF-8.
bool IsAscii(std::string_view text);

// Case folding of 8-bit texts. The Ascii forms change only A-Z / a-z; the Ansi forms
// also fold the accented letters of Windows-1252 (as the system's locale-aware
// lower-casing does for Western code pages).
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
std::string AnsiLower(std::string_view text);
std::string AnsiUpper(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);

}  // namespace platform
