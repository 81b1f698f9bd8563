#include "engine/SE_Uninstall_List.h"

#include "engine/SE_InstallLogDigest.h"
#include "script/SE_RunFiles.h"
#include "script/SE_TextHelpers.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "script/SE_KeyDigits.h"
#include "script/SE_PathVariables.h"
#include "script/ZTI_FixedKeys.h"
#include "script/buffer_type.h"

namespace {

constexpr size_t kMaxItems = 0xFFFF;
constexpr size_t kMaxItemLength = 0xFFFF;

void CheckFits(const std::vector<std::string>& list, const char* what) {
  if (list.size() > kMaxItems)
    throw platform::ESetupError("The install log holds at most 65535 " + std::string(what) + ", not " +
                                std::to_string(list.size()));
  for (const std::string& item : list)
    if (item.size() > kMaxItemLength)
      throw platform::ESetupError("An install log item is at most 65535 bytes long; one of the " +
                                  std::string(what) + " has " + std::to_string(item.size()) + ": " +
                                  item.substr(0, 60) + "...");
}

// Reads count items; false when the log ended first.
bool ReadItems(TBufferManager& in, uint16_t count, std::vector<std::string>& items) {
  items.reserve(std::min<size_t>(count, in.Remaining() / 2));
  for (uint16_t i = 0; i < count; ++i) {
    if (in.Remaining() < 2) return false;
    const uint16_t length = ReadInt16(in);
    if (in.Remaining() < length) return false;
    std::string scrambled(length, '\0');
    in.ReadInto(length, scrambled.data());
    items.push_back(SubtractKeyDigits(kInstallLogKey, scrambled));
  }
  return true;
}

}  // namespace

std::vector<uint8_t> SerializeInstallLog(const TInstallLogLists& lists) {
  CheckFits(lists.Files, "files");
  CheckFits(lists.RegistryEntries, "registry entries");
  CheckFits(lists.Directories, "directories");
  Bytes out;
  AppendInt16(out, static_cast<uint16_t>(lists.Files.size()));
  AppendInt16(out, static_cast<uint16_t>(lists.RegistryEntries.size()));
  AppendInt16(out, static_cast<uint16_t>(lists.Directories.size()));
  for (const auto* list : {&lists.Files, &lists.RegistryEntries, &lists.Directories})
    for (const std::string& item : *list) AppendString(out, AddKeyDigits(kInstallLogKey, item));
  return out;
}

TParsedInstallLog ParseInstallLog(const uint8_t* data, size_t size) {
  TParsedInstallLog parsed;
  TBufferManager in(data, size);
  if (size < 6) {
    parsed.complete = false;
    return parsed;
  }
  const uint16_t files = ReadInt16(in);
  const uint16_t registry = ReadInt16(in);
  const uint16_t directories = ReadInt16(in);
  TInstallLogLists& l = parsed.lists;
  parsed.complete = ReadItems(in, files, l.Files) && ReadItems(in, registry, l.RegistryEntries) &&
                    ReadItems(in, directories, l.Directories);
  return parsed;
}

void TUninstallList::Clear() {
  lists_ = TInstallLogLists();
  fileIndex_.clear();
  registryIndex_.clear();
}

bool TUninstallList::HasFile(std::string_view path) const {
  return fileIndex_.count(platform::AsciiLower(path)) > 0;
}

void TUninstallList::AddFile(const std::string& path) {
  std::string folded = CollapseVariables(std::string_view(path));
  if (fileIndex_.insert(platform::AsciiLower(folded)).second) lists_.Files.push_back(std::move(folded));
}

bool TUninstallList::HasRegistryEntry(std::string_view line) const {
  return registryIndex_.count(platform::AsciiLower(line)) > 0;
}

void TUninstallList::AddRegistryEntry(const std::string& line) {
  if (registryIndex_.insert(platform::AsciiLower(line)).second) lists_.RegistryEntries.push_back(line);
}

void TUninstallList::AddDirectory(const std::string& path) { lists_.Directories.push_back(path); }

void TUninstallList::Reindex() {
  fileIndex_.clear();
  registryIndex_.clear();
  for (const std::string& item : lists_.Files) fileIndex_.insert(platform::AsciiLower(item));
  for (const std::string& item : lists_.RegistryEntries) registryIndex_.insert(platform::AsciiLower(item));
}

std::string TUninstallList::LogPath(const std::string& directory, const std::string& prefix) {
  return directory + "\\" + prefix + "install.log";
}

void TUninstallList::Save(const std::string& directory, const std::string& prefix) const {
  const std::string path = LogPath(directory, prefix);
  Bytes bytes;
  try {
    bytes = SerializeInstallLog(lists_);
  } catch (const platform::ESetupError& e) {
    throw platform::ESetupError("Cannot save the install log \"" + path + "\": " + e.what());
  }
  if (!platform::DirectoryExists(ExtractFileDir(path)))
    throw platform::ESetupError("Cannot write the install log \"" + path + "\": its folder does not exist");
  // Written beside and put in place, so an earlier log stays whole until the new one
  // is; a failure asks Retry/Cancel, and Cancel stops the run.
  WriteBytesOfRun(path, bytes.data(), bytes.size(), TOriginal::UndoOnly);
  RecordSavedLogDigest(path, bytes);
}

std::unordered_set<std::string> InstalledFilesOf(const std::string& directory, const std::string& prefix) {
  std::unordered_set<std::string> files;
  const std::optional<Bytes> bytes = platform::ReadWholeFile(TUninstallList::LogPath(directory, prefix));
  if (!bytes) return files;
  for (const std::string& item : ParseInstallLog(bytes->data(), bytes->size()).lists.Files)
    files.insert(platform::AsciiLower(item));
  return files;
}

bool TUninstallList::Load(const std::string& directory, const std::string& prefix) {
  const std::string path = LogPath(directory, prefix);
  if (!platform::FileExists(path)) return false;
  const std::optional<Bytes> bytes = platform::ReadWholeFile(path);
  if (!bytes) platform::RaiseSystemError("Cannot open file \"" + path + "\"");
  LoadFromBytes(*bytes);
  return true;
}

void TUninstallList::LoadFromBytes(const std::vector<uint8_t>& bytes) {
  Replace(ParseInstallLog(bytes.data(), bytes.size()).lists);
}

void TUninstallList::Replace(TInstallLogLists lists) {
  lists_ = std::move(lists);
  Reindex();
}

TUninstallList& UninstallList() {
  static TUninstallList list;
  return list;
}
