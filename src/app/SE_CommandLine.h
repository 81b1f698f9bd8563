// The setup program's command line:
//
//   setup [PACKAGE] [--silent] [--dir DIR] [--lang HEX] [--prefix DIR]
//
// PACKAGE counts only as the first argument and only when it names an existing file
// (a host path or a Windows path); otherwise the program opens its own file. --silent
// runs without a window; --dir chooses the installation directory up front; --lang
// takes a language identifier (hex, as "0405") instead of the system's; --prefix names
// the Wine prefix to install into (Linux; a host folder, kept as given). Other
// arguments are ignored here (the error report lists them).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TSetupOptions {
  std::optional<std::string> package;  // a Windows path
  bool silent = false;
  std::optional<std::string> directory;  // a Windows path
  std::optional<uint16_t> language;
  std::optional<std::string> prefix;  // a host folder, as given
  std::string error;                  // a mistake on the command line; empty when none
};

TSetupOptions ParseSetupCommandLine(const std::vector<std::string>& arguments);

inline constexpr const char* kSetupUsage =
    "usage: setup [PACKAGE] [--silent] [--dir DIR] [--lang HEX] [--prefix DIR]";
