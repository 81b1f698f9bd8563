// setuptool info FILE: the debug listing of a package's header, entries and setup
// information, line for line as the setup's debug window shows it.
#include <cstdio>

#include "ToolCommand.h"
#include "ToolFiles.h"
#include "package/ZTI_PakFile.h"
#include "script/SE_RegistryRoots.h"
#include "script/ZTI_SetupInfo.h"

namespace setuptool {
namespace {

int Info(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("info");
  TPak pak;
  if (int status = OpenPackage(args[0], pak)) return status;
  TSetupInfoFile setupInfo;
  const TFoundEntry found = pak.FindEntry("SetupInfo", 0);
  if (found.Data) setupInfo.LoadFromBuffer(found.Data->data(), found.Data->size());
  const TSetupHeader& header = pak.Header();
  const TSetupInfo& info = setupInfo.Info;
  std::printf("Header\n");
  std::printf("ID: %.4s\n", header.ID.data());
  std::printf("Version: %u\n", header.Version);
  std::printf("File Count: %zu\n", pak.Count());
  std::printf("\nFiles:\n");
  for (const TPakFile& e : pak.Entries())
    std::printf("\"%s\" Group: %u\n", Terminal(e.Name).c_str(), e.Group);
  std::printf("\nSetupInfo:\n");
  std::printf("SetupName: %s\n", Terminal(info.SetupName).c_str());
  std::printf("SetupExeName: %s\n", Terminal(info.SetupExeName).c_str());
  std::printf("InstallDir: %s\n", Terminal(info.InstallDir).c_str());
  std::printf("InstallDirRegKey.HKEY: %s\n", RootLongName(info.InstallDirRegKey.HKEY).c_str());
  std::printf("InstallDirRegKey.Path: %s\n", Terminal(info.InstallDirRegKey.Path).c_str());
  std::printf("InstallDirRegKey.Key: %s\n", Terminal(info.InstallDirRegKey.Key).c_str());
  std::printf("Changelog: %s\n", Terminal(info.Changelog).c_str());
  if (!found.Data) {
    std::fprintf(stderr, "%s: no readable \"SetupInfo\" entry in group 0\n", args[0].c_str());
    return 1;
  }
  return 0;
}

}  // namespace

SETUPTOOL_COMMAND("info", "setuptool info FILE", Info);

}  // namespace setuptool
