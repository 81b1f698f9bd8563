#include "script/SE_WrittenRecords.h"

#include <vector>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "script/SE_PathVariables.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunFiles.h"
#include "script/SE_TextHelpers.h"
#include "script/SE_TrustedState.h"

namespace {

constexpr size_t kReadChunk = 1 << 20;
constexpr size_t kDigestDigits = 32;
constexpr std::string_view kBackupFolderEnd = "backup";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<TFileStamp> StampOfFile(const std::string& path) {
  platform::File file = platform::File::Open(path, platform::OpenMode::ReadShared);
  if (!file.IsOpen()) return std::nullopt;
  platform::Md5 md5;
  std::vector<uint8_t> chunk(kReadChunk);
  TFileStamp stamp;
  for (size_t got; (got = file.Read(chunk.data(), chunk.size())) > 0;) {
    md5.Update(chunk.data(), got);
    stamp.size += got;
  }
  if (static_cast<int64_t>(stamp.size) != file.Size()) return std::nullopt;  // a read failed on the way
  stamp.digest = md5.Finish();
  return stamp;
}

std::string FormatStamp(const TFileStamp& stamp) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text = std::to_string(stamp.size) + " ";
  for (const uint8_t byte : stamp.digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

std::optional<TFileStamp> ParseStamp(const std::string& text) {
  const size_t blank = text.find(' ');
  if (blank == 0 || blank == std::string::npos || text.size() != blank + 1 + kDigestDigits)
    return std::nullopt;
  TFileStamp stamp;
  for (size_t i = 0; i < blank; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
    if (stamp.size > (UINT64_MAX - digit) / 10) return std::nullopt;
    stamp.size = stamp.size * 10 + digit;
  }
  for (size_t i = 0; i < stamp.digest.size(); ++i) {
    const int high = HexValue(text[blank + 1 + 2 * i]);
    const int low = HexValue(text[blank + 2 + 2 * i]);
    if (high < 0 || low < 0) return std::nullopt;
    stamp.digest[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return stamp;
}

std::string WrittenRecordPath(const std::string& backupFolder, const std::string& foldedPath) {
  return MirrorPath(backupFolder + "\\~written", foldedPath);
}

void RecordWhatTheRunWrote(const std::string& path) {
  const TSetupRun* run = ActiveRun();
  if (!run) return;
  const std::string folded = CollapseVariables(std::string_view(path));
  const std::string backups = BackupFolder(run->InstallDir(), run->Prefix());
  if (!platform::FileExists(MirrorPath(backups, folded))) return;
  const std::optional<TFileStamp> stamp = StampOfFile(path);
  if (!stamp) throw ERunStopped(CouldNotWrite(path, "it cannot be read back: " + platform::LastErrorText()));
  const std::string record = WrittenRecordPath(backups, folded);
  const std::string text = FormatStamp(*stamp);
  MakeDirectoriesOfRun(ExtractFileDir(record));
  WriteBytesOfRun(record, reinterpret_cast<const uint8_t*>(text.data()), text.size(), TOriginal::UndoOnly);
}

std::optional<TFileStamp> WrittenStampOf(const std::string& backupFolder, const std::string& foldedPath) {
  const std::optional<std::vector<uint8_t>> bytes =
      platform::ReadWholeFile(WrittenRecordPath(backupFolder, foldedPath));
  if (!bytes) return std::nullopt;
  return ParseStamp(std::string(bytes->begin(), bytes->end()));
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

bool ReplacedSinceThisOneWroteIt(const std::string& installDir, const std::string& prefix,
                                 const std::string& path) {
  const std::optional<TFileStamp> own =
      WrittenStampOf(BackupFolder(installDir, prefix), CollapseVariables(std::string_view(path)));
  if (!own) return false;
  const std::optional<TFileStamp> inPlace = StampOfFile(path);
  return inPlace && inPlace != own;
}

std::optional<std::string> CopyOfWhatThisOneWrote(const std::string& installDir, const std::string& prefix,
                                                  const std::string& foldedPath) {
  const std::optional<TFileStamp> own = WrittenStampOf(BackupFolder(installDir, prefix), foldedPath);
  if (!own) return std::nullopt;
  for (const std::string& other : OtherAddOnPrefixes(installDir, prefix)) {
    std::string copy = MirrorPath(BackupFolder(installDir, other), foldedPath);
    if (platform::FileExists(copy) && StampOfFile(copy) == own) return copy;
  }
  return std::nullopt;
}
