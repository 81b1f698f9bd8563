#include "script/SE_RunRegistry.h"

#include <optional>
#include <vector>

#include "platform/Registry.h"
#include "script/SE_RegistryRoots.h"
#include "script/SE_RunChanges.h"

namespace {

bool KeyExists(platform::RegistryRoot root, const std::string& key) {
  return platform::RegistryKey::Open(root, key, false).Ok();
}

// The keys of the path that do not exist yet, parents first.
std::vector<std::string> MissingKeys(platform::RegistryRoot root, const std::string& key) {
  std::vector<std::string> missing;
  for (size_t end = 0; end != std::string::npos;) {
    end = key.find('\\', end + 1);
    const std::string part = key.substr(0, end);
    if (part.empty() || part.back() == '\\') continue;
    if (!missing.empty() || !KeyExists(root, part)) missing.push_back(part);
  }
  return missing;
}

void JournalBeforeWrite(TSetupRun& run, int rootCode, const std::string& key, const std::string& name) {
  const platform::RegistryRoot root = RootKeyFromCode(rootCode);
  const std::string code = std::to_string(rootCode);
  for (const std::string& missing : MissingKeys(root, key)) run.Note({'K', {code, missing}}, false);
  std::optional<std::string> old;
  if (const auto opened = platform::RegistryKey::Open(root, key, false))
    old = opened->ReadString(name).AsOptional();
  run.Note({'V', {code, key, name, old ? "1" : "0", old.value_or(std::string())}}, true);
}

}  // namespace

void WriteRegistryStringOfRun(int rootCode, const std::string& key, const std::string& name,
                              const std::string& data) {
  const platform::RegistryRoot root = RootKeyFromCode(rootCode);
  if (TSetupRun* run = ActiveRun()) JournalBeforeWrite(*run, rootCode, key, name);
  const std::string what =
      RootShortName(rootCode) + "\\" + key + (key.empty() || key.back() == '\\' ? "" : "\\") + name;
  for (;;) {
    auto opened = platform::RegistryKey::Open(root, key, true);
    const platform::Status written = opened ? opened->WriteString(name, data) : opened.ToStatus();
    if (written) return;
    const std::string& reason = written.Problem();
    if (!AskRetryAfterWriteFailure(what, reason, "registry value"))
      throw ERunStopped(CouldNotWrite(what, reason));
  }
}
