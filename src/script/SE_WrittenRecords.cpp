#include "script/SE_WrittenRecords.h"

#include <vector>

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "script/SE_MadeFileStamps.h"
#include "script/SE_PathVariables.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunFiles.h"
#include "script/SE_TextHelpers.h"
#include "script/SE_TrustedState.h"

namespace {

constexpr std::string_view kBackupFolderEnd = "backup";

// What the run's add-on recorded writing at the folded path: the made file's stamp,
// else the replaced file's (the order: SE_WrittenRecords.h).
std::optional<TFileStamp> StampOfTheRun(TSetupRun& run, const std::string& foldedPath) {
  if (auto made = run.MadeFiles().Find(foldedPath)) return made;
  return WrittenStampOf(BackupFolder(run.InstallDir(), run.Prefix()), foldedPath);
}

}  // namespace

std::string WrittenRecordPath(const std::string& backupFolder, const std::string& foldedPath) {
  return MirrorPath(backupFolder + "\\~written", foldedPath);
}

void RecordWhatTheRunWrote(const std::string& path, const std::optional<TFileStamp>& known, bool replaced) {
  TSetupRun* run = ActiveRun();
  if (!run) return;
  const std::string folded = CollapseVariables(std::string_view(path));
  const auto stamp = [&](TStampDigest kind) {
    std::optional<TFileStamp> read = known ? known : StampOfFile(path, kind);
    if (!read) throw ERunStopped(CouldNotWrite(path, "it cannot be read back: " + platform::LastErrorText()));
    return *read;
  };
  // Only a file that was there, or that an earlier run installed, can have its original
  // kept: a new one needs no look into the backup folder.
  if (replaced || run->InstalledBefore(folded)) {
    const std::string backups = BackupFolder(run->InstallDir(), run->Prefix());
    if (platform::FileExists(MirrorPath(backups, folded))) {
      const std::string record = WrittenRecordPath(backups, folded);
      const std::string text = FormatStamp(stamp(TStampDigest::Md5));
      MakeDirectoriesOfRun(ExtractFileDir(record));
      WriteBytesOfRun(record, reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                      TOriginal::UndoOnly);
      run->MadeFiles().Erase(folded);
      return;
    }
  }
  run->MadeFiles().Set(folded, stamp(TStampDigest::Crc32));
}

void SaveMadeFileStampsOfRun() {
  TSetupRun* run = ActiveRun();
  if (!run || !run->MadeFilesRead()) return;
  const std::string backups = BackupFolder(run->InstallDir(), run->Prefix());
  const std::string text = run->MadeFiles().Serialize();
  MakeDirectoriesOfRun(backups);
  WriteBytesOfRun(MadeFileStampsPath(backups), reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                  TOriginal::UndoOnly);
}

std::optional<TFileStamp> WrittenStampOf(const std::string& backupFolder, const std::string& foldedPath) {
  const std::optional<std::vector<uint8_t>> bytes =
      platform::ReadWholeFile(WrittenRecordPath(backupFolder, foldedPath));
  if (!bytes) return std::nullopt;
  return ParseStamp(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

std::vector<std::string> OtherAddOnPrefixes(const std::string& installDir, const std::string& prefix) {
  std::vector<std::string> prefixes;
  // The add-ons' backup folders sit side by side in the game folder's trusted folder.
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(GameFolderStatePath(installDir))) {
    const std::string& name = entry.name;
    if (!entry.isDirectory || entry.isLink || name.size() <= kBackupFolderEnd.size() ||
        !platform::SameTextAscii(name.substr(name.size() - kBackupFolderEnd.size()), kBackupFolderEnd))
      continue;
    std::string other = name.substr(0, name.size() - kBackupFolderEnd.size());
    if (!platform::SameTextAscii(other, prefix)) prefixes.push_back(std::move(other));
  }
  return prefixes;
}

bool ReplacedSinceTheRunWroteIt(TSetupRun& run, const std::string& path) {
  const std::optional<TFileStamp> own = StampOfTheRun(run, CollapseVariables(std::string_view(path)));
  return own && MatchOfFile(path, *own) == TStampMatch::Changed;
}

std::optional<std::string> CopyOfWhatTheRunWrote(TSetupRun& run, const std::string& foldedPath) {
  const std::optional<TFileStamp> own = StampOfTheRun(run, foldedPath);
  if (!own) return std::nullopt;
  for (const std::string& other : OtherAddOnPrefixes(run.InstallDir(), run.Prefix())) {
    std::string copy = MirrorPath(BackupFolder(run.InstallDir(), other), foldedPath);
    if (MatchOfFile(copy, *own) == TStampMatch::Same) return copy;
  }
  return std::nullopt;
}
