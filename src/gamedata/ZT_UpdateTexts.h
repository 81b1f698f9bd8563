// The language texts that the game-data updaters show: 19 "Processing <%ZTPNAME%>:
// <%FNUM%> of <%FTOTAL%> files", 20 the package's header being written, 23 the
// failure text, 29 the archive being opened.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr uint16_t kTextProgress = 19;
inline constexpr uint16_t kTextWritingHeader = 20;
inline constexpr uint16_t kTextFailure = 23;
inline constexpr uint16_t kTextOpeningArchive = 29;

// The text with "<%ZTPNAME%>" replaced by the (8-bit) name.
std::u16string NamedText(uint16_t number, std::string_view name);
// Text 19 with the name, the number done and the total.
std::u16string ProgressText(std::string_view name, int number, int total);
