#include "package/ZTI_EntryNames.h"

#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"

namespace {

// The superscript digits of Windows-1252, which Windows reads as 1, 2 and 3 in device names.
constexpr char kSuperscriptOne = '\xB9';
constexpr char kSuperscriptTwo = '\xB2';
constexpr char kSuperscriptThree = '\xB3';

bool IsDeviceDigit(char c) {
  return (c >= '0' && c <= '9') || c == kSuperscriptOne || c == kSuperscriptTwo || c == kSuperscriptThree;
}

// Calls visit(part) for each part between "\" or "/" separators, empty ones included;
// stops at the first part visit answers true for and returns it.
template <typename Visit>
std::optional<std::string_view> FirstPartWhere(std::string_view name, Visit visit) {
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (visit(part)) return part;
    start = end + 1;
  }
  return std::nullopt;
}

bool EndsInDotOrBlank(std::string_view part) {
  // "." alone is the folder itself, as in ".\readme.txt".
  return !part.empty() && part != "." && (part.back() == '.' || part.back() == ' ');
}

}  // namespace

bool IsReservedDeviceName(std::string_view part) {
  std::string_view base = part.substr(0, part.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const std::string upper = platform::AsciiUpper(base);
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         IsDeviceDigit(upper[3]);
}

std::optional<std::string> EntryNameFault(std::string_view name) {
  if (!IsSafeEntryName(name)) return std::string("would be written outside the target directory");
  if (const auto part = FirstPartWhere(name, IsReservedDeviceName))
    return "is a name Windows reserves for a device (\"" + std::string(*part) + "\")";
  if (const auto part = FirstPartWhere(name, EndsInDotOrBlank))
    return "has a part that ends in a dot or blank, which Windows drops from names (\"" + std::string(*part) +
           "\")";
  return std::nullopt;
}
