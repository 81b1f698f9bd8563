// The two fixed digit keys of the program. Both sides of each format use the same
// value: the packaging tool and the setup for the script parameters of the game
// package commands, the installer and its uninstaller (a copy of the same program)
// for the install log. Changing either makes existing packages or logs unreadable.
#pragma once

#include <string_view>

// Scrambles the second parameter of "ztpupdate" and "ztpofficial" in compiled lines.
inline constexpr std::string_view kScriptParameterKey =
    "2546870607094868792843059024210123279314801768670738305570480"
    "9396527385481891346900901835750004203091835568865736388501291"
    "3647426715354687275182028054765046693955662109406605997338975"
    "8666715995595675032010694185491238636329313056624058386572488";

// Scrambles every item of the install log.
inline constexpr std::string_view kInstallLogKey =
    "6643219477905899455696673575022286878490395311316837854342683"
    "3763141312670405686498030510929780073903335754938608034941855"
    "7239665278117798128539035362769542839106964339163183061825301"
    "7012355686113146087005870792455629162711885795376165611286391";

static_assert(kScriptParameterKey.size() == 244 && kInstallLogKey.size() == 244);
