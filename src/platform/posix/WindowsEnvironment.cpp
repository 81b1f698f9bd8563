#include "platform/posix/WindowsEnvironment.h"

#include "platform/CodePage.h"
#include "platform/posix/PathMap.h"
#include "platform/posix/Prefix.h"

namespace platform::posix {

std::optional<std::string> WindowsEnvironmentValue(const std::string& name) {
  const std::string user = WindowsNameOfHostName(UserName());
  const std::string profile = UserProfilePath();
  const std::string key = AsciiUpper(name);
  if (key == "USERPROFILE") return profile;
  if (key == "APPDATA") return profile + "\\AppData\\Roaming";
  if (key == "LOCALAPPDATA") return profile + "\\AppData\\Local";
  if (key == "USERNAME") return user;
  if (key == "HOMEDRIVE" || key == "SYSTEMDRIVE") return std::string("C:");
  if (key == "HOMEPATH") return "\\users\\" + user;
  if (key == "ALLUSERSPROFILE" || key == "PROGRAMDATA") return std::string("C:\\ProgramData");
  if (key == "PUBLIC") return std::string("C:\\users\\Public");
  if (key == "SYSTEMROOT" || key == "WINDIR") return std::string("C:\\windows");
  if (key == "PROGRAMFILES") return std::string("C:\\Program Files");
  if (key == "COMMONPROGRAMFILES") return std::string("C:\\Program Files\\Common Files");
  return std::nullopt;
}

std::string ExpandWindowsEnvironment(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    const size_t open = text.find('%', i);
    const size_t close = open == std::string::npos ? open : text.find('%', open + 1);
    if (close == std::string::npos) break;
    const auto value = WindowsEnvironmentValue(text.substr(open + 1, close - open - 1));
    out += text.substr(i, open - i);
    if (value) {
      out += *value;
      i = close + 1;
    } else {
      out += '%';  // the closing '%' may open the next name
      i = open + 1;
    }
  }
  return out + text.substr(i);
}

}  // namespace platform::posix
