#include "gamedata/ZT_UpdateTexts.h"

#include "lang/ZTI_Language.h"
#include "lang/ZTI_ReplaceText.h"
#include "platform/CodePage.h"

namespace {
std::u16string Decimal(int value) { return platform::AnsiToWide(std::to_string(value)); }
}  // namespace

std::u16string NamedText(uint16_t number, std::string_view name) {
  return ReplaceText(Languages().GetText(number), u"<%ZTPNAME%>", platform::AnsiToWide(name));
}

std::u16string ProgressText(std::string_view name, int number, int total) {
  std::u16string text = NamedText(kTextProgress, name);
  text = ReplaceText(text, u"<%FNUM%>", Decimal(number));
  return ReplaceText(text, u"<%FTOTAL%>", Decimal(total));
}
