#include "gamedata/SE_CutNames.h"

#include <unordered_map>

#include "platform/CodePage.h"

std::vector<TCutName> FindCutNames(const std::vector<std::string>& fullLengthNames) {
  std::vector<TCutName> found;
  std::unordered_map<std::string, size_t> byKey;  // lower-case name -> position in found
  for (const std::string& name : fullLengthNames) {
    const auto [it, added] = byKey.emplace(platform::AnsiLower(name), found.size());
    if (added) found.push_back({name, 0});
    ++found[it->second].records;
  }
  std::erase_if(found, [](const TCutName& cut) { return cut.records < 2; });
  return found;
}

std::string CutNameText(const TCutName& cut, size_t length) {
  return std::to_string(cut.records) + " records share the name \"" + cut.name + "\" of " +
         std::to_string(length) + " characters, the most a record holds: an older setup cut a longer name";
}
