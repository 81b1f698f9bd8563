#include "script/SE_TrustedState.h"

#include <cstdio>

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Md5.h"
#include "platform/TrustedFolder.h"

namespace {

std::string WithoutTrailingBackslash(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

std::string FolderKey(const std::string& installDir) {
  std::string folder = platform::AsciiLower(WithoutTrailingBackslash(installDir));
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();  // "c:\" and "c:" meet
  return platform::Md5HexOf(folder.data(), folder.size());
}

}  // namespace

std::string GameFolderStatePath(const std::string& installDir) {
  const platform::Result<std::string> trusted = platform::TrustedStateFolder();
  if (!trusted) throw platform::ESetupError(trusted.Problem());
  return *trusted + "\\" + FolderKey(installDir);
}

platform::Status MakeGameFolderState(const std::string& installDir) {
  const platform::Result<std::string> trusted = platform::TrustedStateFolder();
  if (!trusted) return trusted.ToStatus();
  const std::string folder = *trusted + "\\" + FolderKey(installDir);
  if (platform::DirectoryExists(folder) || platform::MakeDirectory(folder))
    return platform::Status::Success();
  return platform::Status::SystemFailure("\"" + folder + "\" could not be made");
}

std::string RunLockPath(const std::string& installDir) {
  return GameFolderStatePath(installDir) + "\\run.lock";
}

std::string UninstallJournalPath(const std::string& installDir, const std::string& prefix) {
  return GameFolderStatePath(installDir) + "\\" + prefix + "uninstall.journal";
}

std::string LegacyBackupFolder(const std::string& installDir, const std::string& prefix) {
  return WithoutTrailingBackslash(installDir) + "\\" + prefix + "backup";
}

platform::Status FollowMovedGameFolder(const std::string& oldDir, const std::string& newDir,
                                       const std::string& prefix) {
  const std::string from = GameFolderStatePath(oldDir), to = GameFolderStatePath(newDir);
  if (from == to || !platform::DirectoryExists(from)) return platform::Status::Success();
  // Nothing kept for the new place yet: every add-on's records of the folder move along.
  if (!platform::DirectoryExists(to))
    return platform::RenameFile(from, to)
               ? platform::Status::Success()
               : platform::Status::SystemFailure("cannot move \"" + from + "\" to \"" + to + "\"");
  // Records for the new place exist already: only this add-on's backups move.
  const std::string backups = "\\" + prefix + "backup";
  if (!platform::DirectoryExists(from + backups) || platform::DirectoryExists(to + backups))
    return platform::Status::Success();
  return platform::RenameFile(from + backups, to + backups)
             ? platform::Status::Success()
             : platform::Status::SystemFailure("cannot move \"" + from + backups + "\" to \"" + to + backups +
                                               "\"");
}
