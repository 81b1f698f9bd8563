// The language tables: one TLanguage per "LANGUAGE-" entry of the setup package,
// text lookup by number in the current language, and the expansion of "<LANGn>" tags.
//
// A language entry is UTF-16LE text (see SE_UnicodeStrList.h for the lines):
//   line 1  the language's display name
//   line 2  its language identifiers in hex, each followed by ";" ("0409;0c09;"), or
//           exactly one identifier without ";"
//   line 3+ "number text": a decimal (or "$" hex) number, a blank or tab outside
//           double quotes, the text. Quotes are removed from the number only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lang/ZTI_ReplaceText.h"

struct TLID {
  uint16_t Number = 0;
  std::u16string Text;
};

struct TLanguage {
  std::u16string Name = u"Untitled";
  std::vector<uint16_t> LanguageIds;
  std::vector<TLID> Texts;  // one per numbered line, in file order

  // Fills the language from an entry's bytes. A table that cannot be parsed raises
  // ESetupError naming entryName and the line ("Cannot open file" for no data).
  void LoadFromBuffer(const uint8_t* data, size_t size, const std::string& entryName);
};

class TLanguages {
 public:
  int32_t CurrentLanguage = -1;      // index into Languages; -1 until one is chosen
  std::vector<TLanguage> Languages;  // in load order

  // Loads an entry and appends it; on a parse error nothing is appended.
  void AddLanguage(const uint8_t* data, size_t size, const std::string& entryName = {});
  // Index of the first language listing the identifier, or -1.
  int32_t FindLanguage(uint16_t languageId) const;
  // The current language becomes the first that lists the identifier, else table 0.
  void SelectLanguage(uint16_t systemLanguageId);
  // The text numbered so in the current language (the first line with that number
  // wins); "NOT FOUND " and the number when there is none.
  std::u16string GetText(uint16_t number) const;
  // Replaces every "<LANGn>" by GetText(n), expanding tags inside substituted texts
  // too. A tag that refers back to a text being expanded (directly or in a cycle)
  // stays as it is written. Raises ESetupError when the characters between "<LANG"
  // and the next ">" are not a number. With no language loaded nothing changes.
  std::u16string ExpandLanguageTags(std::u16string_view text) const;
};

// The program's language tables.
TLanguages& Languages();

// A package entry that holds an install language table: its name, cut to nine
// characters and upper-cased, is "LANGUAGE-".
bool IsLanguageEntryName(std::string_view entryName);
