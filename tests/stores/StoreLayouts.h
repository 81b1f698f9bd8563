// Fake but faithful store layouts on a test machine: Steam installations with their
// library lists and app manifests as Steam writes them, prefixes as the launchers
// leave them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/TestMachine.h"

namespace testing_support {

// Writes a host file, making its folders.
void WriteStoreFile(const std::filesystem::path& path, const std::string& text);

// A path as the stores write it for a place on the machine ("C:\Steam" on drive C:).
std::string StoreForm(const TestMachine& machine, const std::string& windowsPath);

// A string as Steam quotes it in a VDF file (backslashes doubled).
std::string VdfQuoted(const std::string& text);

// steamapps/libraryfolders.vdf as today's Steam writes it, listing the libraries.
std::string LibraryFoldersVdf(const std::vector<std::string>& libraries);

// steamapps/appmanifest_<id>.acf for an installed app.
std::string AppManifest(const std::string& appId, const std::string& installDir);

// A Steam installation or library at a host folder: the manifest of the app and, when
// installed, its folder below steamapps/common.
void AddSteamGame(const std::filesystem::path& library, const std::string& appId,
                  const std::string& installDir, bool installed = true);

// A prefix as Wine lays it out (registry files, drive_c, the c: and z: drive links);
// with the value InstallPath of HKLM\Software\Harbour\Game, naming C:\Games\Harbour,
// when asked, and a key of the given text (as written in the file) with another value.
void MakePrefix(const std::filesystem::path& folder, bool holdsValue, const std::string& otherKey = "");

}  // namespace testing_support
