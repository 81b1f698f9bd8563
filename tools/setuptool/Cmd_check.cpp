// setuptool check SETUP: the problems of the package's pages and language tables,
// one tab-separated record per line (severity, language, page, control, what);
// exit 1 when one is an error, nothing printed and exit 0 when there is none.
#include "PageTools.h"
#include "ToolCommand.h"
#include "ToolFiles.h"

namespace setuptool {
namespace {

int Check(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  if (!ParsePageToolArguments(args, positional, nullptr) || positional.size() != 1)
    return UsageError("check");
  std::optional<TPageTools> tools = TPageTools::Open(ProgramPath(positional[0]), positional[0]);
  if (!tools) return 2;
  return PrintPageCheck(*tools);
}

}  // namespace

SETUPTOOL_COMMAND("check", "setuptool check SETUP", Check);

}  // namespace setuptool
