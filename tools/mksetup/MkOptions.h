// mksetup's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mksetup {

// Windows starts no program of 4 GiB or more, and many tools stumble at 2 GiB.
inline constexpr uint64_t kDefaultSplit = 2ull << 30;
inline constexpr uint64_t kMinimumSplit = 4096;

struct Options {
  std::string script;     // host paths, as given
  std::string output;     // empty: the script's outfile name beside the script
  std::string stub;       // empty: the setup program beside mksetup
  std::string finaliser;  // empty: the finaliser beside the setup program
  bool packageOnly = false;
  std::string base;         // empty: the script's folder
  std::string data;         // empty: the data folder beside mksetup
  unsigned threads = 0;     // 0: the machine's cores (or SE_THREADS)
  bool check = false;       // check the pages and languages of what was made
  std::string compression;  // "zlib", "zstd", "zstd-max"; empty: the script's compression line, else zlib
  uint64_t split = kDefaultSplit;  // the largest program file; the rest goes into data files
};

inline constexpr const char* kUsage =
    "usage: mksetup SCRIPT [-o OUTPUT] [--stub FILE | --package-only] [--finaliser FILE]\n"
    "               [--base DIR] [--data DIR] [--threads N] [--check]\n"
    "               [--compression zlib|zstd|zstd-max] [--split SIZE]\n"
    "\n"
    "Turns a setup script and the files it names into a setup program (the package\n"
    "appended to a copy of the setup program) or, with --package-only, a package file.\n"
    "  -o OUTPUT       the file to write (default: the script's outfile name beside it)\n"
    "  --stub FILE     the setup program to append to (default: setup beside mksetup)\n"
    "  --package-only  write the package alone\n"
    "  --finaliser FILE  the program an uninstaller starts to remove itself (default:\n"
    "                  finalise.exe beside a Windows setup program, finalise beside a\n"
    "                  Linux one; it must be for the same system as the setup program)\n"
    "  --base DIR      folder that sources are named relative to (default: the script's)\n"
    "  --data DIR      folder with languages\\ and layout\\ (default: data beside mksetup)\n"
    "  --threads N     compress on N threads, 1 to 64 (default: the machine's cores, or\n"
    "                  the variable SE_THREADS); the output is the same for every N\n"
    "  --check         check the pages and language tables of what was made, as\n"
    "                  `setuptool check` does; its findings go to stdout and an error\n"
    "                  fails the run (exit 1, the output kept for a look)\n"
    "  --compression M zlib (default: entry by entry, readable by every setup program)\n"
    "                  or zstd (solid blocks: smaller and faster to install; setup\n"
    "                  programs older than this mksetup cannot read it) or zstd-max\n"
    "                  (the same, about 1% smaller again; packing takes some ten\n"
    "                  times as long); overrides the script's compression line\n"
    "  --split SIZE    the largest setup program file (bytes, or with K, M or G for\n"
    "                  KiB, MiB, GiB; default 2G): a larger setup keeps the rest of its\n"
    "                  package in data files beside it, OUTPUT's name without its\n"
    "                  extension followed by -1.bin, -2.bin ..., each at most SIZE;\n"
    "                  publish them together with the program, in the same folder\n";

// The options, or a message saying what is wrong with the command line.
struct ParseResult {
  std::optional<Options> options;
  std::string error;
  bool help = false;
};
ParseResult ParseOptions(const std::vector<std::string>& arguments);

}  // namespace mksetup
