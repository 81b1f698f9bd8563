#include "engine/SE_EntryNameCheck.h"

#include <string_view>
#include <unordered_map>

#include "gamedata/VFS_Unit.h"
#include "gamedata/ZT_PakFormat.h"
#include "package/ZTI_EntryNames.h"
#include "package/ZTI_PakFile.h"
#include "script/SE_TextHelpers.h"
#include "script/ZTI_CommandTable.h"
#include "script/ZTI_CompLines.h"

namespace {

using TNameFault = std::optional<std::string> (*)(std::string_view);

// How each grouping command writes its entries, and the parameter naming its target
// (none for files, which go below the installation directory).
struct TGroupTarget {
  TNameFault fault = nullptr;
  int targetParam = -1;
};

TGroupTarget TargetOf(int32_t command) {
  if (command == CommandNumberOf("file")) return {EntryNameFault, -1};
  if (command == CommandNumberOf("vfsupdate")) return {VFSNameFault, 1};
  if (command == CommandNumberOf("ztpupdate")) return {PakNameFault, 2};
  return {};
}

}  // namespace

std::optional<std::string> FirstUnwritableEntry(const TCompLines& lines, const TPak& pak) {
  // Each group's line, found once: packages hold thousands of entries.
  std::unordered_map<int32_t, const TCompLine*> lineOfGroup;
  for (const TCompLine& line : lines.Lines)
    if (TargetOf(line.Command).fault && !line.Params.empty())
      lineOfGroup.emplace(ToIntOrMinusOne(line.Params.back()),
                          &line);  // a bad number is the line's own error
  for (const TPakFile& entry : pak.Entries()) {
    const auto found = entry.Group > 0 ? lineOfGroup.find(entry.Group) : lineOfGroup.end();
    if (found == lineOfGroup.end()) continue;
    const TCompLine& line = *found->second;
    const TGroupTarget target = TargetOf(line.Command);
    const std::optional<std::string> fault = target.fault(entry.Name);
    if (!fault) continue;
    const bool named = target.targetParam >= 0 && size_t(target.targetParam) < line.Params.size();
    return "The setup package's entry \"" + entry.Name + "\"" +
           (named ? " for " + line.Params[size_t(target.targetParam)] : std::string()) + " " + *fault + ".";
  }
  return std::nullopt;
}
