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

void TLanguageStrings::AddOptionalMacro(const std::string& key, const std::string* target) {
  Entries.push_back({platform::AsciiLower(key), target, true});
}

namespace {

// The text without the lines (carriage-return separated) that hold key, each with the
// line break that ends it, or, for the last line, the one before it.
std::u16string WithoutLinesNaming(std::u16string text, std::u16string_view key) {
  for (size_t at = FindTextFolded(text, key); at != std::u16string::npos; at = FindTextFolded(text, key)) {
    const size_t before = text.rfind(u'\r', at);
    size_t start = before == std::u16string::npos ? 0 : before + 1;
    size_t end = text.find(u'\r', at);
    if (end != std::u16string::npos) {
      ++end;
    } else {
      end = text.size();
      if (start > 0) --start;
    }
    text.erase(start, end - start);
  }
  return text;
}

}  // namespace

std::u16string TLanguageStrings::ExpandCaptionMacros(std::u16string_view text) const {
  std::u16string result(text);
  for (const TLanguageString& entry : Entries)
    if (entry.Optional && (!entry.Target || entry.Target->empty()))
      result = WithoutLinesNaming(std::move(result), platform::AnsiToWide(entry.Key));
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
    s.AddOptionalMacro("<%GAMEFOUNDIN%>", &GameFoundIn());
    return s;
  }();
  return strings;
}

std::u16string CaptionPipeline(std::u16string_view raw) {
  std::u16string text = Languages().ExpandLanguageTags(raw);
  text = ReplaceText(text, u"<BR>", u"\r");
  return LanguageStrings().ExpandCaptionMacros(text);
}
