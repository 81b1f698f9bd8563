#include "engine/SE_Uninstall_Items.h"

#include "platform/Files.h"
#include "platform/Registry.h"
#include "script/SE_RegistryAccess.h"
#include "script/SE_PathVariables.h"
#include "script/SE_RegistryRoots.h"
#include "script/SE_RunChanges.h"

std::array<std::string, 4> SplitRegistryEntryLine(std::string_view line) {
  std::array<std::string, 4> fields;
  size_t at = 0;
  for (std::string& field : fields) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    bool quoted = false;
    for (; at < line.size(); ++at) {
      const char c = line[at];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == ' ' || c == '\t')) {
        break;
      } else {
        field += c;
      }
    }
  }
  return fields;
}

bool RemoveRecordedFile(const std::string& item) {
  const std::string path = ExpandVariables(std::string_view(item));
  return platform::FileExists(path) && platform::DeleteFileAt(path);
}

bool RestoreOrRemoveRecordedFile(const std::string& item, const std::string& backupFolder) {
  const std::string original = MirrorPath(backupFolder, item);
  if (!platform::FileExists(original)) return RemoveRecordedFile(item);
  const std::string path = ExpandVariables(std::string_view(item));
  if (platform::FileExists(path) && platform::IsReadOnly(path)) platform::SetReadOnly(path, false);
  return platform::ReplaceFileWith(original, path) ||
         (!platform::FileExists(path) && platform::RenameFile(original, path));
}

bool RemoveRecordedDirectory(const std::string& item) {
  return platform::DirectoryExists(item) && platform::RemoveEmptyDirectory(item);
}

bool RemoveRecordedRegistryValue(const std::string& line) {
  const auto fields = SplitRegistryEntryLine(line);
  const platform::RegistryRoot root = RootKeyFromCode(RootCodeFromName(fields[0]));
  WaitUntilRegistryCanBeChanged();
  auto key = platform::RegistryKey::Open(root, fields[1], /*create=*/false);
  if (!key) return false;
  const bool deleted = key->DeleteValue(fields[2]).Ok();
  key->Close();
  return deleted;
}
