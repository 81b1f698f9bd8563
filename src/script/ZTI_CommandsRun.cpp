#include "script/ZTI_CommandsRun.h"

#include "lang/ZTI_Language.h"
#include "lang/ZTI_ReplaceText.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "script/SE_PathVariables.h"
#include "script/SE_TextHelpers.h"

TCompLine& RunLine(int32_t lineIndex) {
  TCompLines& lines = CompLines();
  if (lineIndex < 0 || lineIndex >= lines.Count())
    throw platform::ESetupError("Line index " + std::to_string(lineIndex) +
                                " is outside the compiled script (" + std::to_string(lines.Count()) +
                                " lines)");
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

uint16_t GroupOfLine(const TCompLine& line) {
  const std::string& text = Param(line, line.ParamCount() - 1);
  const int32_t group = ToIntOrMinusOne(text);
  if (group < 0 || group > 0xFFFF)
    throw platform::ESetupError("Line " + std::to_string(line.LineNo) + " names no file group (\"" + text +
                                "\"); setup is corrupt");
  return static_cast<uint16_t>(group);
}
