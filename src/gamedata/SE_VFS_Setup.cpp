// vfsupdate's group-level step: the archive named relative to the install directory,
// the entries taken from a group of the setup package.
#include "gamedata/SE_VFS.h"
#include "package/ZTI_PakFile.h"
#include "script/ZTI_SetupInfo.h"

bool UpdateArchive(uint16_t group, const std::string& archiveName, bool close) {
  TSetupGroupEntries entries(SetupPak(), group);
  return UpdateArchiveAt(SetupInfoFile().Info.InstallDir + "\\" + archiveName, archiveName, entries, close);
}
