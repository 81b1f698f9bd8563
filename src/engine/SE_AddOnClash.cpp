#include "engine/SE_AddOnClash.h"

#include "engine/SE_Uninstall_List.h"
#include "engine/SE_Uninstaller.h"
#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string WithoutTrailingBackslashes(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

// The program an uninstall key's UninstallString starts, with or without quotes.
std::string ProgramOfCommand(const std::string& command) {
  if (command.size() >= 2 && command.front() == '"') {
    const size_t close = command.find('"', 1);
    return command.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return command;
}

std::optional<std::string> LogOfAnotherAddOn(const TSetupInfo& info, const std::string& folder) {
  const std::string log = TUninstallList::LogPath(folder, info.UninstallPrefix);
  if (!platform::FileExists(log)) return std::nullopt;
  const std::string uninstaller = folder + "\\" + info.UninstallExeName;
  const std::optional<TSetupInfo> owner = SetupInfoOfProgram(uninstaller);
  if (!owner || platform::SameTextAscii(owner->ShortName, info.ShortName)) return std::nullopt;
  return "The install log " + Quoted(log) + " belongs to the add-on " + Quoted(owner->ShortName) +
         ", which uses the same prefix " + Quoted(info.UninstallPrefix) + " as " + Quoted(info.ShortName) +
         ". Installing would replace its records; each add-on needs a prefix of its own.";
}

std::optional<std::string> KeyOfAnotherAddOn(const TSetupInfo& info, const std::string& folder) {
  if (info.ShortName.empty()) return std::nullopt;
  const std::string keyPath = kUninstallKeyPath + info.ShortName;
  const auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, keyPath, false);
  if (!key) return std::nullopt;
  const auto command = key->ReadString("UninstallString");
  if (!command) return std::nullopt;
  const std::string program = ProgramOfCommand(*command);
  if (platform::SameTextAscii(program, folder + "\\" + info.UninstallExeName)) return std::nullopt;
  const std::optional<TSetupInfo> owner = SetupInfoOfProgram(program);
  if (!owner || owner->SetupName == info.SetupName) return std::nullopt;
  return "The uninstall key " + Quoted("HKLM\\" + keyPath) + " belongs to the add-on " +
         Quoted(owner->SetupName) + " (" + Quoted(program) + "), which uses the same short title as " +
         Quoted(info.SetupName) +
         ". Installing would replace its entry; each add-on needs a short title of its own.";
}

}  // namespace

std::optional<TSetupInfo> SetupInfoOfProgram(const std::string& path) {
  if (!platform::FileExists(path)) return std::nullopt;
  try {
    TPak package;
    package.Create(path, false, false);
    if (!package.Header().IsPackage()) return std::nullopt;
    const TFoundEntry found = package.FindEntry("SetupInfo", 0);
    if (!found.Data) return std::nullopt;
    TSetupInfoFile file;
    file.LoadFromBuffer(found.Data->data(), found.Data->size());
    return file.Info;
  } catch (const std::exception&) {
    return std::nullopt;  // unreadable: it tells nothing of whose it is
  }
}

std::optional<std::string> AnotherAddOnInTheWay(const TSetupInfo& info, const std::string& installDir) {
  const std::string folder = WithoutTrailingBackslashes(installDir);
  if (auto clash = LogOfAnotherAddOn(info, folder)) return clash;
  return KeyOfAnotherAddOn(info, folder);
}
