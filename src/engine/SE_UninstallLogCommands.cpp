// Run steps of uninstalllogload and uninstalllogsave: the log directory (p0) is
// expanded; the optional log-name prefix (p1) is used as written.
#include "engine/SE_UninstallLogCommands.h"

#include <cstdio>

#include "engine/SE_InstallLogDigest.h"
#include "engine/SE_Uninstall_List.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "script/SE_LegacyBackups.h"
#include "script/SE_PathVariables.h"
#include "script/ZTI_CommandsRun.h"
#include "script/ZTI_SetupInfo.h"

namespace {

struct LogPlace {
  std::string directory;
  std::string prefix;
};

LogPlace PlaceOf(const TCompLine& line) {
  return {ExpandVariables(std::string_view(Param(line, 0))),
          line.ParamCount() >= 2 ? line.Params[1] : std::string()};
}

bool IsDirectoryInside(const std::string& directory, std::string installDir) {
  while (!installDir.empty() && installDir.back() == '\\') installDir.pop_back();
  const std::string folder = platform::AsciiLower(installDir) + "\\";
  const std::string path = platform::AsciiLower(directory);
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         path.find("..") == std::string::npos;
}

// What is saved again is trusted by the next uninstaller. A log this setup cannot
// prove it saved (an older setup's, another add-on's, or one changed since) may hold
// anything a user put there: only its files and directories inside the installation
// directory are taken over.
TInstallLogLists ConfinedToInstallDir(const TInstallLogLists& lists) {
  const std::string installDir = ExpandVariables(std::string_view(SetupInfoFile().Info.InstallDir));
  TInstallLogLists confined;
  for (const std::string& file : lists.Files)
    if (IsInsideInstallDir(file)) confined.Files.push_back(file);
  for (const std::string& directory : lists.Directories)
    if (IsDirectoryInside(directory, installDir)) confined.Directories.push_back(directory);
  return confined;
}

}  // namespace

void TUninstallLogLoadCommand::Execute(int32_t lineIndex) {
  const LogPlace place = PlaceOf(RunLine(lineIndex));
  const std::string path = TUninstallList::LogPath(place.directory, place.prefix);
  // A missing log changes nothing.
  if (!platform::FileExists(path)) return;
  const std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes) platform::RaiseSystemError("Cannot open file \"" + path + "\"");
  if (IsSavedLog(path, *bytes)) {
    UninstallList().LoadFromBytes(*bytes);
    return;
  }
  std::fprintf(stderr,
               "Note: \"%s\" was not saved by this setup; only its items inside the installation "
               "directory were taken over\n",
               path.c_str());
  UninstallList().Replace(ConfinedToInstallDir(ParseInstallLog(bytes->data(), bytes->size()).lists));
}

void TUninstallLogSaveCommand::Execute(int32_t lineIndex) {
  const LogPlace place = PlaceOf(RunLine(lineIndex));
  UninstallList().Save(place.directory, place.prefix);
}
