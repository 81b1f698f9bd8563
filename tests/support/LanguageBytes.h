// Builds language entries for tests: a byte-order mark and UTF-16LE text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

inline std::vector<uint8_t> LanguageEntry(const std::u16string& text, bool withBom = true) {
  std::vector<uint8_t> bytes;
  if (withBom) bytes = {0xFF, 0xFE};
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

// Makes the program's language tables hold just this table, as the current one.
void UseLanguageTable(const std::u16string& text);
// A table with the status texts 17, 18 and 19 in their English wording.
void UseEnglishStatusTexts();

}  // namespace testing_support
