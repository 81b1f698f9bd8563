// Run steps of uninstalllogload and uninstalllogsave: the log directory (p0) is
// expanded; the optional log-name prefix (p1) is used as written.
#include "engine/SE_UninstallLogCommands.h"

#include "engine/SE_Uninstall_List.h"
#include "script/SE_PathVariables.h"
#include "script/ZTI_CommandsRun.h"

namespace {

struct LogPlace {
  std::string directory;
  std::string prefix;
};

LogPlace PlaceOf(const TCompLine& line) {
  return {ExpandVariables(std::string_view(Param(line, 0))),
          line.ParamCount() >= 2 ? line.Params[1] : std::string()};
}

}  // namespace

void TUninstallLogLoadCommand::Execute(int32_t lineIndex) {
  const LogPlace place = PlaceOf(RunLine(lineIndex));
  // A missing log changes nothing.
  UninstallList().Load(place.directory, place.prefix);
}

void TUninstallLogSaveCommand::Execute(int32_t lineIndex) {
  const LogPlace place = PlaceOf(RunLine(lineIndex));
  UninstallList().Save(place.directory, place.prefix);
}
