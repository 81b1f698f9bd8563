#include "script/ZTI_CommandsRun.h"

#include "lang/ZTI_Language.h"
#include "lang/ZTI_ReplaceText.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "script/SE_PathVariables.h"

TCompLine& RunLine(int32_t lineIndex) {
  TCompLines& lines = CompLines();
  if (lineIndex < 0 || lineIndex >= lines.Count())
    throw platform::ESetupError("Line index " + std::to_string(lineIndex) +
                                " is outside the compiled script (" +
                                std::to_string(lines.Count()) + " lines)");
  return lines.Lines[lineIndex];
}

const std::string& Param(const TCompLine& line, int32_t i) {
  static const std::string kEmpty;
  return i >= 0 && i < line.ParamCount() ? line.Params[i] : kEmpty;
}

std::string ExpandParamInPlace(TCompLine& line, int32_t i) {
  if (i < 0 || i >= line.ParamCount()) return {};
  line.Params[i] = ExpandVariables(std::string_view(line.Params[i]));
  return line.Params[i];
}

std::u16string TextWithFileName(uint16_t number, const std::string& name) {
  return ReplaceText(Languages().GetText(number), u"<%FILENAME%>", platform::AnsiToWide(name));
}
