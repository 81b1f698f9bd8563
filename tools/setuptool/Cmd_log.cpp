// setuptool log show FILE: a decoded install log, one item per line: "F", "R" or "D",
// a tab and the item, files first, then registry entries, then directories.
#include <cstdio>

#include "ToolCommand.h"
#include "ToolFiles.h"
#include "engine/SE_Uninstall_List.h"

namespace setuptool {
namespace {

// A log starts with its three 16-bit counts: files, registry entries, directories.
constexpr uint64_t kInstallLogHeaderSize = 6;

int Log(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0] != "show") return UsageError("log");
  const auto bytes = ReadArgumentFile(args[1], kInstallLogHeaderSize);
  if (!bytes) return 2;
  const TParsedInstallLog log = ParseInstallLog(bytes->data(), bytes->size());
  const struct {
    const char* kind;
    const std::vector<std::string>& items;
  } lists[] = {{"F", log.lists.Files}, {"R", log.lists.RegistryEntries}, {"D", log.lists.Directories}};
  for (const auto& list : lists)
    for (const std::string& item : list.items) std::printf("%s\t%s\n", list.kind, Terminal(item).c_str());
  if (!log.complete) {
    std::fprintf(stderr, "%s: the log ends early; the items above are all it holds\n", args[1].c_str());
    return 1;
  }
  return 0;
}

}  // namespace

SETUPTOOL_COMMAND("log", "setuptool log show FILE", Log);

}  // namespace setuptool
