#include "stores/StoreLayouts.h"

#include <fstream>

#include "platform/Files.h"

namespace testing_support {

void WriteStoreFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string StoreForm(const TestMachine& machine, const std::string& windowsPath) {
  return platform::HostPathOf(machine.Path(windowsPath)).value_or("");
}

std::string VdfQuoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string LibraryFoldersVdf(const std::vector<std::string>& libraries) {
  std::string text = "\"libraryfolders\"\n{\n";
  for (size_t i = 0; i < libraries.size(); ++i) {
    text += "\t\"" + std::to_string(i) + "\"\n\t{\n";
    text += "\t\t\"path\"\t\t" + VdfQuoted(libraries[i]) + "\n";
    text += "\t\t\"label\"\t\t\"\"\n\t\t\"contentid\"\t\t\"4387612312\"\n\t\t\"totalsize\"\t\t\"0\"\n";
    text += "\t\t\"apps\"\n\t\t{\n\t\t}\n\t}\n";
  }
  return text + "}\n";
}

std::string AppManifest(const std::string& appId, const std::string& installDir) {
  return "\"AppState\"\n{\n\t\"appid\"\t\t\"" + appId + "\"\n\t\"Universe\"\t\t\"1\"\n\t\"name\"\t\t\"Game " +
         appId + "\"\n\t\"StateFlags\"\t\t\"4\"\n\t\"installdir\"\t\t" + VdfQuoted(installDir) +
         "\n\t\"LastUpdated\"\t\t\"1700000000\"\n\t\"InstalledDepots\"\n\t{\n\t}\n}\n";
}

void AddSteamGame(const std::filesystem::path& library, const std::string& appId,
                  const std::string& installDir, bool installed) {
  WriteStoreFile(library / "steamapps" / ("appmanifest_" + appId + ".acf"), AppManifest(appId, installDir));
  if (installed) std::filesystem::create_directories(library / "steamapps" / "common" / installDir);
}

void MakePrefix(const std::filesystem::path& folder, bool holdsValue, const std::string& otherKey) {
  std::string reg = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n";
  if (holdsValue)
    reg += "[Software\\\\Harbour\\\\Game] 1700000000\n\"InstallPath\"=\"C:\\\\Games\\\\Harbour\"\n\n";
  if (!otherKey.empty()) reg += "[" + otherKey + "] 1700000000\n\"Other\"=\"x\"\n\n";
  WriteStoreFile(folder / "system.reg", reg);
  WriteStoreFile(folder / "user.reg", "WINE REGISTRY Version 2\n");
  std::filesystem::create_directories(folder / "drive_c");
  std::filesystem::create_directories(folder / "dosdevices");
  std::filesystem::create_symlink("../drive_c", folder / "dosdevices" / "c:");
  std::filesystem::create_symlink("/", folder / "dosdevices" / "z:");
}

}  // namespace testing_support
