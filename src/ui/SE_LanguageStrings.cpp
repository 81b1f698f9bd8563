#include "ui/SE_LanguageStrings.h"

#include "lang/ZTI_Language.h"
#include "lang/ZTI_ReplaceText.h"
#include "platform/CodePage.h"
#include "script/SE_GameFoundIn.h"
#include "script/SE_Global.h"
#include "script/ZTI_SetupInfo.h"

void TLanguageStrings::AddMacro(const std::string& key, const std::string* target) {
  Entries.push_back({platform::AsciiLower(key), target});
}

std::u16string TLanguageStrings::ExpandCaptionMacros(std::u16string_view text) const {
  std::u16string result(text);
  for (const TLanguageString& entry : Entries) {
    const std::string value = entry.Target ? *entry.Target : std::string();
    result = ReplaceText(result, platform::AnsiToWide(entry.Key), platform::AnsiToWide(value));
  }
  return result;
}

TLanguageStrings& LanguageStrings() {
  static TLanguageStrings strings = [] {
    TLanguageStrings s;
    TSetupInfo& info = SetupInfoFile().Info;
    TSetupVariables& v = SetupVariables();
    s.AddMacro("<%SETUPTITLE%>", &info.SetupName);
    s.AddMacro("<%SETUPSHORTTITLE%>", &info.ShortName);
    s.AddMacro("<%CHANGELOG%>", &info.Changelog);
    s.AddMacro("<%SPACEREQ%>", &v.SpaceRequiredText);
    s.AddMacro("<%SPACEAVA%>", &v.SpaceAvailableText);
    s.AddMacro("<%GAMEFOUNDIN%>", &GameFoundIn());
    return s;
  }();
  return strings;
}

std::u16string CaptionPipeline(std::u16string_view raw) {
  std::u16string text = Languages().ExpandLanguageTags(raw);
  text = ReplaceText(text, u"<BR>", u"\r");
  return LanguageStrings().ExpandCaptionMacros(text);
}
