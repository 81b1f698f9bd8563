#include "script/SE_RegistryRoots.h"

#include "platform/CodePage.h"

namespace {
struct RootName {
  const char* shortName;
  const char* longName;
};
constexpr RootName kRoots[] = {
    {"HKLM", "HKEY_LOCAL_MACHINE"}, {"HKCU", "HKEY_CURRENT_USER"},   {"HKCR", "HKEY_CLASSES_ROOT"},
    {"HKU", "HKEY_USERS"},          {"HKCC", "HKEY_CURRENT_CONFIG"},
};
constexpr int kRootCount = 5;
}  // namespace

int RootCodeFromName(std::string_view shortName) {
  const std::string upper = platform::AsciiUpper(shortName);
  for (int code = 0; code < kRootCount; ++code)
    if (upper == kRoots[code].shortName) return code;
  return 0;
}

std::string RootShortName(int code) { return code >= 0 && code < kRootCount ? kRoots[code].shortName : ""; }

std::string RootLongName(int code) {
  return code >= 0 && code < kRootCount ? kRoots[code].longName : "!ERROR!";
}

platform::RegistryRoot RootKeyFromCode(int code) {
  return code >= 0 && code < kRootCount ? static_cast<platform::RegistryRoot>(code)
                                        : platform::RegistryRoot::None;
}
