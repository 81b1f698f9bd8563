// setuptool reg: reads and writes string values in the registry of the prefix
// ($WINEPREFIX, else ~/.wine), as the setup program sees it.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "ToolCommand.h"
#include "platform/CodePage.h"
#include "platform/Registry.h"

namespace setuptool {

namespace {

using platform::RegistryRoot;

struct RegistryPath {
  RegistryRoot root;
  std::string path;  // Windows-1252, below the root
};

std::optional<RegistryPath> ParseKey(const std::string& text) {
  struct Root {
    const char* shortName;
    const char* longName;
    RegistryRoot root;
  };
  static const Root roots[] = {
      {"HKLM", "HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
      {"HKCU", "HKEY_CURRENT_USER", RegistryRoot::CurrentUser},
      {"HKCR", "HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot},
      {"HKU", "HKEY_USERS", RegistryRoot::Users},
      {"HKCC", "HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
  };
  const std::string key = platform::Utf8ToAnsi(text);
  const size_t slash = key.find('\\');
  const std::string first = key.substr(0, slash);
  for (const Root& root : roots) {
    if (platform::SameTextAscii(first, root.shortName) || platform::SameTextAscii(first, root.longName))
      return RegistryPath{root.root, slash == std::string::npos ? std::string() : key.substr(slash + 1)};
  }
  return std::nullopt;
}

std::string ValueName(const std::string& text) {
  return text == "@" ? std::string() : platform::Utf8ToAnsi(text);
}

// The registry's own explanation names the key, the value or the damaged file, and
// the system's reason.
int Fail(const platform::Status& failure) {
  std::fprintf(stderr, "setuptool: %s\n", platform::AnsiToUtf8(failure.Problem()).c_str());
  return 1;
}

// A damaged registry file does not stop a read, but the user should know.
void WarnAboutDamage(const RegistryPath& key) {
  const std::string problem = platform::RegistryDamageAt(key.root, key.path);
  if (!problem.empty())
    std::fprintf(stderr, "setuptool: warning: %s\n", platform::AnsiToUtf8(problem).c_str());
}

int Get(const RegistryPath& key, const std::string& name) {
  const auto opened = platform::RegistryKey::Open(key.root, key.path, false);
  if (!opened) return Fail(opened.ToStatus());
  const auto data = opened->ReadString(name);
  if (!data) return Fail(data.ToStatus());
  WarnAboutDamage(key);
  std::printf("%s\n", platform::AnsiToUtf8(*data).c_str());
  return 0;
}

int Set(const RegistryPath& key, const std::string& name, const std::string& data) {
  auto opened = platform::RegistryKey::Open(key.root, key.path, true);
  if (!opened) return Fail(opened.ToStatus());
  if (const platform::Status written = opened->WriteString(name, data); !written) return Fail(written);
  return 0;
}

int Delete(const RegistryPath& key, const std::optional<std::string>& name) {
  if (!name) {
    if (const platform::Status deleted = platform::DeleteRegistryKey(key.root, key.path); !deleted)
      return Fail(deleted);
    return 0;
  }
  auto opened = platform::RegistryKey::Open(key.root, key.path, false);
  if (!opened) return Fail(opened.ToStatus());
  if (const platform::Status deleted = opened->DeleteValue(*name); !deleted) return Fail(deleted);
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() < 2) return UsageError("reg");
  const auto key = ParseKey(args[1]);
  if (!key) {
    std::fprintf(stderr, "setuptool: unknown registry root in '%s' (HKLM, HKCU, HKCR, HKU, HKCC)\n",
                 args[1].c_str());
    return 2;
  }
  const std::string& verb = args[0];
  // A running server would write its own copy over the change: refuse before writing.
  if ((verb == "set" || verb == "delete") && platform::RegistryHeldByRunningServer()) {
    std::fprintf(
        stderr,
        "setuptool: Wine programs of this prefix are running and keep their own copy of the "
        "registry, which would overwrite the change; close them first (the registry was not changed)\n");
    return 1;
  }
  if (verb == "get" && args.size() <= 3)
    return Get(*key, args.size() == 3 ? ValueName(args[2]) : std::string());
  if (verb == "set" && args.size() == 4) return Set(*key, ValueName(args[2]), platform::Utf8ToAnsi(args[3]));
  if (verb == "delete" && args.size() <= 3)
    return Delete(*key, args.size() == 3 ? std::optional<std::string>(ValueName(args[2])) : std::nullopt);
  return UsageError("reg");
}

}  // namespace

SETUPTOOL_COMMAND("reg",
                  "setuptool reg get KEY [NAME]        print a string value (NAME \"\" or @: the default)\n"
                  "setuptool reg set KEY NAME DATA     write a string value, creating the key\n"
                  "setuptool reg delete KEY [NAME]     delete a value, or the key when NAME is left out\n"
                  "    KEY: HKLM|HKCU|HKCR|HKU|HKCC (or HKEY_...) \\path",
                  Run);

}  // namespace setuptool
