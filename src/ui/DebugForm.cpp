#include "ui/DebugForm.h"

#include "package/ZTI_PakFile.h"
#include "script/SE_RegistryRoots.h"
#include "script/ZTI_SetupInfo.h"

std::vector<std::string> DebugListing(const TPak& pak, const TSetupInfo& info) {
  const TSetupHeader& header = pak.Header();
  std::vector<std::string> lines = {
      "Header",
      "ID: " + std::string(header.ID.data(), header.ID.size()),
      "Version: " + std::to_string(header.Version),
      "File Count: " + std::to_string(pak.Count()),
      "",
      "Files:",
  };
  for (const TPakFile& entry : pak.Entries())
    lines.push_back("\"" + entry.Name + "\" Group: " + std::to_string(entry.Group));
  lines.insert(lines.end(), {
                                "",
                                "SetupInfo:",
                                "SetupName: " + info.SetupName,
                                "SetupExeName: " + info.SetupExeName,
                                "InstallDir: " + info.InstallDir,
                                "InstallDirRegKey.HKEY: " + RootLongName(info.InstallDirRegKey.HKEY),
                                "InstallDirRegKey.Path: " + info.InstallDirRegKey.Path,
                                "InstallDirRegKey.Key: " + info.InstallDirRegKey.Key,
                                "Changelog: " + info.Changelog,
                            });
  return lines;
}
