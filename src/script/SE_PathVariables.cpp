#include "script/SE_PathVariables.h"

#include "lang/ZTI_ReplaceText.h"
#include "platform/CodePage.h"
#include "script/SE_Global.h"
#include "script/ZTI_SetupInfo.h"

namespace {

using platform::AnsiToWide;

std::u16string CollapseBackslashRuns(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text)
    if (c != u'\\' || out.empty() || out.back() != u'\\') out += c;
  return out;
}

}  // namespace

std::u16string ExpandVariables(std::u16string_view text) {
  const TSetupVariables& v = SetupVariables();
  const std::u16string installDir = AnsiToWide(InstallDir());
  const std::pair<std::u16string_view, std::u16string> variables[] = {
      {u"$INSTDIR", installDir},
      {u"$INSTALLDIR", installDir},
      {u"$SMPROGRAMS", AnsiToWide(v.StartMenuProgramsDir)},
      {u"$PROGRAMFILES", AnsiToWide(v.ProgramFilesDir)},
      {u"$CDDRIVE", AnsiToWide(v.CDDrive)},
      {u"$LANGUAGESELECTION", v.LanguageSelection},
  };
  std::u16string result(text);
  for (const auto& [name, value] : variables)
    if (FindTextFolded(result, name) != std::u16string::npos) result = ReplaceText(result, name, value);
  return CollapseBackslashRuns(result);
}

std::string ExpandVariables(std::string_view text) {
  return platform::WideToAnsi(ExpandVariables(AnsiToWide(text)));
}

std::u16string CollapseVariables(std::u16string_view text) {
  const TSetupVariables& v = SetupVariables();
  const std::pair<std::string_view, std::u16string_view> folders[] = {
      {InstallDir(), u"$INSTDIR"},
      {v.StartMenuProgramsDir, u"$SMPROGRAMS"},
      {v.ProgramFilesDir, u"$PROGRAMFILES"},
  };
  std::u16string result(text);
  for (const auto& [value, name] : folders)
    if (!value.empty()) result = ReplaceText(result, AnsiToWide(value), name);
  return result;
}

std::string CollapseVariables(std::string_view text) {
  return platform::WideToAnsi(CollapseVariables(AnsiToWide(text)));
}
