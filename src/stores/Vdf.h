// Valve's text key-value format, as Steam writes libraryfolders.vdf and the
// appmanifest_<id>.acf files:
//
//   "AppState"
//   {
//       "appid"       "440"
//       "installdir"  "Team Fortress 2"
//   }
//
// A file is a list of pairs; a pair is a key and either a string or a block of pairs
// in braces. Strings are double-quoted (with \\ \" \n \t escapes) or bare words;
// "//" starts a comment; a "[$WIN32]"-style condition after a pair is skipped. Keys
// are compared without regard to case, as Steam compares them.
//
// The files sit where a standard user writes, so the reader trusts nothing in them:
// it reads at most kVdfMaxBytes, nests at most kVdfMaxDepth blocks, keeps at most
// kVdfMaxPairs pairs, and never reads past the text's end.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t kVdfMaxBytes = 4u << 20;
inline constexpr int kVdfMaxDepth = 32;
inline constexpr size_t kVdfMaxPairs = 200000;

struct TVdfNode {
  std::string Key;
  std::string Value;               // a string pair's value
  std::vector<TVdfNode> Children;  // a block's pairs, in file order
  bool IsBlock = false;

  // The first pair of this block with the key; null when there is none.
  const TVdfNode* Child(std::string_view key) const;
  // The string value of the first such pair; nothing when it is missing or a block.
  std::optional<std::string> ValueOf(std::string_view key) const;
};

struct TVdfResult {
  std::optional<TVdfNode> Root;  // a block holding the file's top-level pairs
  std::string Error;             // what is wrong, and on which line, when Root is empty
};

TVdfResult ParseVdf(std::string_view text);
