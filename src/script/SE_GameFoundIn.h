// Where start-up found the game's folder when the setup's registry value did not name
// it, in words no language needs translated ("Steam, D:\SteamLibrary"; "GOG"); empty
// otherwise.
// Pages show it with the caption macro "<%GAMEFOUNDIN%>".
#pragma once

#include <string>

std::string& GameFoundIn();
