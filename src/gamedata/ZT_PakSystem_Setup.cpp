// The package updater's script-level operations: the package named relative to the
// install directory, the entries taken from a group of the setup package.
#include "gamedata/ZT_PakSystem.h"
#include "package/ZTI_PakFile.h"
#include "platform/Errors.h"
#include "script/ZTI_SetupInfo.h"

namespace {
std::string PackagePath(const std::string& packageName) {
  return SetupInfoFile().Info.InstallDir + "\\" + packageName;
}
}  // namespace

void TPakSystem::UpdatePackage(uint16_t group, const std::string& packageName, const std::string& password) {
  TSetupGroupEntries entries(SetupPak(), group);
  UpdatePackageAt(PackagePath(packageName), packageName, password, entries);
}

void TPakSystem::SetOfficial(const std::string& packageName, const std::string& marker,
                             const std::string& value) {
  SetOfficialAt(PackagePath(packageName), packageName, marker, value);
}

void TPakSystem::DuplicateEntry(const std::string& packageName, const std::string& sourceName,
                                const std::string& targetName) {
  DuplicateEntryAt(PackagePath(packageName), packageName, sourceName, targetName);
}

// --- The setup package's groups ----------------------------------------------------

TSetupGroupEntries::TSetupGroupEntries(TPak& pak, uint16_t group) : pak_(pak) {
  pak_.ForEachInGroup(group, [this](int index) { indices_.push_back(index); });
}

std::string TSetupGroupEntries::Name(size_t i) const { return pak_.Entries()[size_t(indices_[i])].Name; }

uint32_t TSetupGroupEntries::OrigSize(size_t i) const { return pak_.Entries()[size_t(indices_[i])].OrigSize; }

std::vector<uint8_t> TSetupGroupEntries::Content(size_t i) {
  if (OrigSize(i) == 0) return {};
  // What start-up verified and kept is not read and inflated again.
  if (std::optional<Bytes> kept = pak_.VerifiedContents().Take(indices_[i])) return std::move(*kept);
  auto content = pak_.ReadEntry(indices_[i]);
  if (!content)
    throw platform::ESetupError("Cannot read " + Name(i) +
                                " from the setup package: " + pak_.DiagnoseEntry(indices_[i]));
  return std::move(*content);
}
