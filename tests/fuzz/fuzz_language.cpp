// Fuzz target: the language-table reader, then tag expansion and the replace
// operation over every text it yields. Nothing may crash or run without end, even
// for tables whose texts refer to themselves.
#include <cstdint>

#include "lang/ZTI_Language.h"
#include "platform/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TLanguages languages;
  try {
    languages.AddLanguage(data, size, "LANGUAGE-fuzz");
  } catch (const platform::ESetupError&) {
    return 0;
  }
  languages.SelectLanguage(0x0409);
  for (const TLID& text : languages.Languages[0].Texts) {
    try {
      languages.ExpandLanguageTags(text.Text);
    } catch (const platform::ESetupError&) {
      // a "<LANG" without a number: the caller reports it
    }
    ReplaceText(text.Text, u"<BR>", u"\r<br>");
    languages.GetText(text.Number);
  }
  return 0;
}
