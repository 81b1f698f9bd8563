#include "script/SE_RegistryEntryLine.h"

#include <array>
#include <utility>

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string RegistryEntryLine(const std::string& root, const std::string& key, const std::string& name,
                              const std::string& data) {
  return Quoted(root) + " " + Quoted(key) + " " + Quoted(name) + " " + Quoted(data);
}

std::optional<std::string> RegistryEntryProblem(const std::string& root, const std::string& key,
                                                const std::string& name, const std::string& data) {
  const std::array<std::pair<const char*, const std::string*>, 4> fields = {
      {{"root", &root}, {"key", &key}, {"value name", &name}, {"data", &data}}};
  for (const auto& [what, text] : fields)
    if (text->find('"') != std::string::npos)
      return std::string("the ") + what + " " + *text +
             " holds a double quote, which the install log cannot record for the uninstaller";
  return std::nullopt;
}
