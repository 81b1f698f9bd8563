// The caption macros of page texts and the caption pipeline every label, radio button,
// panel and edit box caption passes through:
//
//   raw text -> "<LANGn>" tags -> "<BR>" to a carriage return -> caption macros
//
// A macro refers to a program variable, not to a copy, so "<%SPACEAVA%>" always shows
// the space available at the moment the caption is made. A line that names an optional
// macro whose variable is empty is left out whole: "The game was found by
// <%GAMEFOUNDIN%>." says nothing when start-up found nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct TLanguageString {
  std::string Key;                      // lower-cased
  const std::string* Target = nullptr;  // the variable whose current value replaces it
  bool Optional = false;                // an empty value drops the line that names it
};

class TLanguageStrings {
 public:
  std::vector<TLanguageString> Entries;

  // Appends a macro; the key is kept lower-cased.
  void AddMacro(const std::string& key, const std::string* target);
  // Appends a macro whose line (up to a carriage return) goes when its value is empty.
  void AddOptionalMacro(const std::string& key, const std::string* target);
  // The lines of empty optional macros left out, then each macro in registration
  // order replaced (ReplaceText) by its variable's value.
  std::u16string ExpandCaptionMacros(std::u16string_view text) const;
};

// The program's caption macros, holding from the start "<%SETUPTITLE%>",
// "<%SETUPSHORTTITLE%>", "<%CHANGELOG%>" (the setup information's SetupName,
// ShortName, Changelog), "<%SPACEREQ%>" and "<%SPACEAVA%>" (the space texts), and
// the optional "<%GAMEFOUNDIN%>" (where start-up found the game's folder).
TLanguageStrings& LanguageStrings();

// The caption pipeline with the program's language tables and caption macros.
std::u16string CaptionPipeline(std::u16string_view raw);
