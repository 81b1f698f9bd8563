// The stores a game is sold through, as a setup script names them with its
// `steamappid ID` and `goggameid ID` lines: where the setup looks for the game when no
// registry value names its folder.
//
// They are kept in a package entry of their own, "GameStores" (group 0), beside
// "SetupInfo", so that the compiled script keeps its form and a setup that predates
// them never opens the entry. The entry is ASCII text, one identifier a line:
//
//   steamappid 1234560
//   goggameid 1207658924
//
// A reader skips lines it does not know (a store added later) and identifiers that are
// not 1 to 20 decimal digits: an identifier ends up in file names and registry paths.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kGameStoresEntryName[] = "GameStores";

struct TGameStoreIds {
  std::vector<std::string> SteamAppIds;  // in script order, each once
  std::vector<std::string> GogGameIds;

  bool Empty() const { return SteamAppIds.empty() && GogGameIds.empty(); }
};

// True for 1 to 20 decimal digits.
bool IsStoreId(std::string_view id);

// Adds the identifiers of one directive line (the keyword's row of kStoreDirectiveTable
// and its parameters); a text saying what is wrong when a parameter is no identifier.
std::optional<std::string> AddStoreIds(TGameStoreIds& ids, std::string_view keyword,
                                       const std::vector<std::string>& params);

std::vector<uint8_t> SaveGameStoreIds(const TGameStoreIds& ids);
TGameStoreIds LoadGameStoreIds(const uint8_t* data, size_t size);
