// Run steps of the flow and message commands. Jumps store a line index into
// CurrentLine; the setup thread increments it before the next line, so goto and
// iffileexists continue after the line they name and messagebox (which stores the
// target minus one) continues at it. A target that is not a number never jumps.
#include "lang/ZTI_Language.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "script/SE_PathVariables.h"
#include "script/SE_Progress.h"
#include "script/SE_TextHelpers.h"
#include "script/ZTI_CommandsFile.h"
#include "script/ZTI_CommandsFlow.h"
#include "script/ZTI_CommandsRun.h"

namespace {
constexpr uint16_t kTextFailure = 23;
}  // namespace

void TGotoCommand::Execute(int32_t lineIndex) {
  const int32_t target = ToIntOrMinusOne(Param(RunLine(lineIndex), 0));
  if (target >= 0) CurrentLine = target;
}

void TIfFileExistsCommand::Execute(int32_t lineIndex) {
  const TCompLine& line = RunLine(lineIndex);
  const int32_t ifPresent = ToIntOrMinusOne(Param(line, 1));
  const int32_t ifAbsent = ToIntOrMinusOne(Param(line, 2));
  const std::string path = ExpandVariables(std::string_view(ResolveCdDrive(Param(line, 0))));
  // A directory at the path counts as no file.
  const int32_t target = platform::FileExists(path) ? ifPresent : ifAbsent;
  if (target >= 0) CurrentLine = target;
}

void TMessageBoxCommand::Execute(int32_t lineIndex) {
  const TCompLine& line = RunLine(lineIndex);
  const int32_t ifOk = ToIntOrMinusOne(Param(line, 2));
  const int32_t ifCancel = ToIntOrMinusOne(Param(line, 3));
  const std::string text = ExpandVariables(std::string_view(Param(line, 0)));
  const std::string caption = ExpandVariables(std::string_view(Param(line, 1)));
  // Closing the box counts as Cancel. Target 0 (the first line) never jumps.
  const bool ok = platform::ShowMessageBox(text, caption, platform::MessageButtons::OkCancel,
                                           platform::MessageIcon::Question) == platform::MessageResult::Ok;
  const int32_t target = ok ? ifOk : ifCancel;
  if (target > 0) CurrentLine = target - 1;
}

void TMessageCommand::Execute(int32_t lineIndex) {
  const TCompLine& line = RunLine(lineIndex);
  SetStatusText(Languages().ExpandLanguageTags(platform::AnsiToWide(Param(line, 0))));
}

void TFailureCommand::Execute(int32_t) {
  SetFinishText(Languages().GetText(kTextFailure), true);
  AbortRequested = true;
}
