#include "script/ZTI_GameStores.h"

#include <algorithm>

#include "script/ZTI_CommandTable.h"

namespace {

constexpr std::string_view kSteamKeyword = "steamappid";
constexpr std::string_view kGogKeyword = "goggameid";

void AddOnce(std::vector<std::string>& list, std::string_view id) {
  if (std::find(list.begin(), list.end(), id) == list.end()) list.emplace_back(id);
}

std::vector<std::string>* ListOf(TGameStoreIds& ids, std::string_view keyword) {
  const TDirectiveInfo* row = StoreDirectiveOf(keyword);
  if (!row) return nullptr;
  return row->keyword == kSteamKeyword ? &ids.SteamAppIds
         : row->keyword == kGogKeyword ? &ids.GogGameIds
                                       : nullptr;
}

}  // namespace

bool IsStoreId(std::string_view id) {
  return !id.empty() && id.size() <= 20 &&
         std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::string> AddStoreIds(TGameStoreIds& ids, std::string_view keyword,
                                       const std::vector<std::string>& params) {
  std::vector<std::string>* list = ListOf(ids, keyword);
  if (!list) return "\"" + std::string(keyword) + "\" is no store directive";
  if (params.empty()) return "\"" + std::string(keyword) + "\" needs at least 1 parameter, found 0";
  for (const std::string& id : params)
    if (!IsStoreId(id))
      return "\"" + std::string(keyword) + "\" takes decimal ids (1 to 20 digits), not \"" + id + "\"";
  for (const std::string& id : params) AddOnce(*list, id);
  return std::nullopt;
}

std::vector<uint8_t> SaveGameStoreIds(const TGameStoreIds& ids) {
  std::string text;
  for (const std::string& id : ids.SteamAppIds) text.append(kSteamKeyword).append(" ").append(id) += '\n';
  for (const std::string& id : ids.GogGameIds) text.append(kGogKeyword).append(" ").append(id) += '\n';
  return {text.begin(), text.end()};
}

TGameStoreIds LoadGameStoreIds(const uint8_t* data, size_t size) {
  TGameStoreIds ids;
  const std::string_view text(reinterpret_cast<const char*>(data), data ? size : 0);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos) continue;
    std::vector<std::string>* list = ListOf(ids, line.substr(0, blank));
    const std::string_view id = line.substr(blank + 1);
    if (list && IsStoreId(id)) AddOnce(*list, id);
  }
  return ids;
}
