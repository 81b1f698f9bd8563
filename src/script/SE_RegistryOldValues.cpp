#include "script/SE_RegistryOldValues.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "script/SE_RegistryRoots.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunFiles.h"
#include "script/SE_RunRegistry.h"
#include "script/SE_TextHelpers.h"
#include "script/SE_WrittenRecords.h"

namespace {

constexpr size_t kFields = 5;
// The sixth field of a value the add-on made: there was no old data.
constexpr const char* kAbsent = "absent";

std::string RecordsPath(const std::string& backupFolder) { return backupFolder + "\\~registry"; }

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '%') out += "%25";
    else if (c == '\t') out += "%09";
    else if (c == '\n') out += "%0A";
    else if (c == '\r') out += "%0D";
    else out += c;
  }
  return out;
}

std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const std::string code = text.substr(i + 1, 2);
      if (code == "25" || code == "09" || code == "0A" || code == "0D") {
        out += static_cast<char>(std::stoi(code, nullptr, 16));
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

void WriteRecords(const std::string& backups, const std::vector<TOldRegistryValue>& values) {
  const std::string text = SerializeOldRegistryValues(values);
  MakeDirectoriesOfRun(backups);
  WriteBytesOfRun(RecordsPath(backups), reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                  TOriginal::UndoOnly);
}

}  // namespace

std::string RegistryValueId(int root, const std::string& key, const std::string& name) {
  std::string trimmed = key;
  while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
  return std::to_string(root) + "\n" + platform::AsciiLower(trimmed) + "\n" + platform::AsciiLower(name);
}

std::string SerializeOldRegistryValues(const std::vector<TOldRegistryValue>& values) {
  std::string text;
  for (const TOldRegistryValue& v : values)
    text += std::to_string(v.root) + "\t" + Escaped(v.key) + "\t" + Escaped(v.name) + "\t" +
            Escaped(v.oldData.value_or("")) + "\t" + Escaped(v.written) +
            (v.oldData ? "" : std::string("\t") + kAbsent) + "\n";
  return text;
}

std::vector<TOldRegistryValue> ParseOldRegistryValues(const std::string& text) {
  std::vector<TOldRegistryValue> values;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::vector<std::string> fields = SplitTabs(text.substr(start, end - start));
    start = end + 1;
    const bool absent = fields.size() == kFields + 1 && fields[kFields] == kAbsent && fields[3].empty();
    if ((fields.size() != kFields && !absent) || fields[0].size() != 1 || fields[0][0] < '0' ||
        fields[0][0] > '4')
      continue;
    std::optional<std::string> oldData;
    if (!absent) oldData = Unescaped(fields[3]);
    values.push_back(
        {fields[0][0] - '0', Unescaped(fields[1]), Unescaped(fields[2]), oldData, Unescaped(fields[4])});
  }
  return values;
}

std::vector<TOldRegistryValue> OldRegistryValuesOf(const std::string& backupFolder) {
  const auto bytes = platform::ReadWholeFile(RecordsPath(backupFolder));
  if (!bytes) return {};
  return ParseOldRegistryValues(std::string(bytes->begin(), bytes->end()));
}

void HandOldDataOn(const std::string& installDir, const std::string& prefix, const std::string& id,
                   const std::string& written, const std::optional<std::string>& oldData) {
  for (const std::string& other : OtherAddOnPrefixes(installDir, prefix)) {
    const std::string backups = BackupFolder(installDir, other);
    std::vector<TOldRegistryValue> values = OldRegistryValuesOf(backups);
    for (TOldRegistryValue& value : values) {
      if (RegistryValueId(value.root, value.key, value.name) != id || value.oldData != written) continue;
      value.oldData = oldData;
      WriteRecords(backups, values);
      return;
    }
  }
}

void WriteRegistryStringKeepingOld(int rootCode, const std::string& key, const std::string& name,
                                   const std::string& data) {
  TSetupRun* run = ActiveRun();
  std::optional<std::string> old;
  if (run)
    if (const auto opened = platform::RegistryKey::Open(RootKeyFromCode(rootCode), key, false))
      old = opened->ReadString(name).AsOptional();
  WriteRegistryStringOfRun(rootCode, key, name, data);
  if (!run) return;
  const std::string id = RegistryValueId(rootCode, key, name);
  const std::string backups = BackupFolder(run->InstallDir(), run->Prefix());
  std::vector<TOldRegistryValue> values = OldRegistryValuesOf(backups);
  const auto same = [&](const TOldRegistryValue& v) { return RegistryValueId(v.root, v.key, v.name) == id; };
  if (const auto found = std::find_if(values.begin(), values.end(), same); found != values.end()) {
    if (old != found->written) {
      // No longer the add-on's (changed or deleted since): it goes to the top, over what
      // the value holds now.
      HandOldDataOn(run->InstallDir(), run->Prefix(), id, found->written, found->oldData);
      found->oldData = old;
    } else if (found->written == data) {
      return;
    }
    found->written = data;
  } else if (!old || !run->RecordedRegistryValueBefore(id)) {
    // A value that was not there is the add-on's to delete whatever its install log
    // says; one that was there and that the log names is the add-on's own from an
    // earlier run of a setup that kept no record, and goes as it did then.
    values.push_back({rootCode, key, name, old, data});
  } else {
    return;
  }
  WriteRecords(backups, values);
}
