// The prefix folders that Linux game launchers name in their configuration files.
// Each reader takes what it needs from one file's text and nothing else; the text is
// a standard user's, and what it names is only a folder to look at.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Lutris's game file (~/.config/lutris/games/<game>.yml): the "prefix:" of its
// top-level "game:" section.
std::optional<std::string> LutrisPrefix(std::string_view yaml);

// Heroic's game file (~/.config/heroic/GamesConfig/<id>.json): the first "winePrefix"
// string.
std::optional<std::string> HeroicPrefix(std::string_view json);
