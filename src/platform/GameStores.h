// Where the game stores keep their files on this machine.
//
// Paths here are in the stores' own form, as they write them in their files: host
// paths on Linux; on Windows, Windows paths that may use "/" (Steam writes its own
// folder in lower case with forward slashes). Callers join them with "/" and hand the
// result to StorePathOf before any file service sees it. Whatever these folders hold
// was written by a standard user: it names folders to look in, nothing more.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The Steam installations whose libraries are looked through, each once: on Windows
// the folder named by SteamPath under HKCU\Software\Valve\Steam; on Linux the native,
// Debian, Flatpak and Snap places below the home folder that hold a "steamapps" folder.
std::vector<std::string> SteamRootFolders();

// The home folder whose launcher configurations (Lutris, Heroic, Bottles) and ~/.wine
// name the player's Wine prefixes; "" on Windows, where the machine is not chosen.
std::string StoreHomeFolder();

// A path in the stores' form as the program's (Windows) path.
std::string StorePathOf(const std::string& storePath);

}  // namespace platform
