// Helpers shared by setuptool's package, log and language commands: command-line
// paths to the program's paths, 8-bit texts to the terminal, opening a package.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TPak;

namespace setuptool {

// A path from the command line as the program sees it ("/tmp/x" -> "Z:\tmp\x").
std::string ProgramPath(const std::string& argument);
// An 8-bit program text for the terminal (UTF-8).
std::string Terminal(const std::string& text);
// Opens FILE as a package, and the data files beside it that a split package names
// (checked whole: present, as long and with the SHA-256 recorded) unless the command
// reads only the table (withDataFiles false). On failure prints CheckInputFile's
// texts, "cannot open FILE", "not a setup package: FILE" or "FILE: the data file
// ... is missing" (and so on) and returns the exit status 2; 0 on success.
int OpenPackage(const std::string& argument, TPak& pak, bool withDataFiles = true);
// Whether FILE can be read as a file of its kind: a regular file (not a pipe or a
// device, which may never end) of at least headerSize bytes. Otherwise prints
// "FILE: not a regular file", "FILE: empty file" or "FILE: too short: N bytes, a
// header needs M" and returns false. A missing file passes: its reader says so.
bool CheckInputFile(const std::string& argument, uint64_t headerSize);
// The whole file, read no further than the size it had when looked at, or nothing
// after printing why (CheckInputFile's texts, or "cannot read FILE").
std::optional<std::vector<uint8_t>> ReadArgumentFile(const std::string& argument, uint64_t headerSize);
// The value of a decimal argument within [0, maximum], or nothing.
std::optional<long> ParseNumber(const std::string& text, long maximum);

}  // namespace setuptool
