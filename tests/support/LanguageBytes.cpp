#include "support/LanguageBytes.h"

#include "lang/ZTI_Language.h"

namespace testing_support {

void UseLanguageTable(const std::u16string& text) {
  Languages() = TLanguages();
  const auto bytes = LanguageEntry(text);
  Languages().AddLanguage(bytes.data(), bytes.size(), "LANGUAGE-test");
  Languages().CurrentLanguage = 0;
}

void UseEnglishStatusTexts() {
  UseLanguageTable(
      u"English\r\n0409;\r\n"
      u"17 Copying File <%FILENAME%>\r\n"
      u"18 Extracting <%FILENAME%>\r\n"
      u"19 Processing <%ZTPNAME%>: <%FNUM%> of <%FTOTAL%> files\r\n");
}

}  // namespace testing_support
