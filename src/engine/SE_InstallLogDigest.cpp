#include "engine/SE_InstallLogDigest.h"

#include <cstdio>

#include "engine/SE_Uninstall_List.h"
#include "engine/SE_Uninstaller.h"
#include "platform/Files.h"
#include "platform/Md5.h"
#include "platform/Registry.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunFiles.h"
#include "script/SE_RunRegistry.h"
#include "script/SE_TextHelpers.h"
#include "script/SE_TrustedState.h"

namespace {

std::string DigestPathOf(const std::string& logPath) {
  return GameFolderStatePath(ExtractFileDir(logPath)) + "\\" + ExtractFileName(logPath) + ".digest";
}

std::string SavedDigestOf(const std::string& logPath) {
  const auto bytes = platform::ReadWholeFile(DigestPathOf(logPath));
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

std::string UninstallKeyDigest(const TSetupInfo& info) {
  if (info.ShortName.empty()) return {};
  const auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine,
                                               kUninstallKeyPath + info.ShortName, false);
  if (!key) return {};
  return key->ReadString(kInstallLogDigestValue).value_or(std::string());
}

}  // namespace

std::string InstallLogDigestOf(const uint8_t* data, size_t size) { return platform::Md5HexOf(data, size); }

void RecordSavedLogDigest(const std::string& logPath, const std::vector<uint8_t>& bytes) {
  if (const platform::Status made = MakeGameFolderState(ExtractFileDir(logPath)); !made)
    throw ERunStopped(CouldNotWrite(DigestPathOf(logPath), made.Problem()));
  const std::string digest = InstallLogDigestOf(bytes.data(), bytes.size());
  WriteBytesOfRun(DigestPathOf(logPath), reinterpret_cast<const uint8_t*>(digest.data()), digest.size(),
                  TOriginal::UndoOnly);
}

void ForgetSavedLogDigest(const std::string& logPath) {
  const std::string path = DigestPathOf(logPath);
  if (platform::FileExists(path)) platform::DeleteFileAt(path);
}

bool IsSavedLog(const std::string& logPath, const std::vector<uint8_t>& bytes) {
  const std::string saved = SavedDigestOf(logPath);
  return !saved.empty() && saved == InstallLogDigestOf(bytes.data(), bytes.size());
}

void RecordInstallLogDigest(const TSetupInfo& info) {
  if (info.ShortName.empty()) return;
  const auto log = platform::ReadWholeFile(TUninstallList::LogPath(info.InstallDir, info.UninstallPrefix));
  if (!log) return;
  constexpr int kLocalMachine = 0;
  WriteRegistryStringOfRun(kLocalMachine, kUninstallKeyPath + info.ShortName, kInstallLogDigestValue,
                           InstallLogDigestOf(log->data(), log->size()));
}

platform::Status CheckInstallLog(const TSetupInfo& info, const std::string& logPath,
                                 const std::vector<uint8_t>& bytes) {
  if (IsSavedLog(logPath, bytes)) return platform::Status::Success();
  const std::string kept = UninstallKeyDigest(info);
  if (!kept.empty() && kept == InstallLogDigestOf(bytes.data(), bytes.size()))
    return platform::Status::Success();
  if (kept.empty() && SavedDigestOf(logPath).empty())
    return platform::Status::Failure("The setup kept no record of the install log \"" + logPath +
                                     "\"; it is not acted on. Nothing was removed.");
  return platform::Status::Failure(
      "The install log \"" + logPath +
      "\" was changed after the setup saved it; it is not acted on. Nothing was removed.");
}
