// Where start-up found the game's folder when the setup's registry value did not name
// it ("the Steam library D:\SteamLibrary (appmanifest_440.acf)"); empty otherwise.
// Pages show it with the caption macro "<%GAMEFOUNDIN%>".
#pragma once

#include <string>

std::string& GameFoundIn();
