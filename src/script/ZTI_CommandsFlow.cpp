#include "script/ZTI_CommandsFlow.h"

#include <charconv>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "script/ZTI_CompilerThread.h"

namespace {

bool IsLabel(const TCompLine& line) { return line.Command == kCommandLabel && !line.Params.empty(); }

// Whether a stored jump target reads as a decimal integer ("12", "-1").
bool ReadsAsInteger(const std::string& text) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

void LabelNotFound(TCompiler& compiler, int32_t lineIndex, const std::string& name) {
  compiler.ErrorText = "Label not found - " + name;
  compiler.ErrorLine = compiler.Lines.Lines[lineIndex].LineNo;
}

// The target of iffileexists and messagebox: "0" means no jump; a name becomes the
// index of the last label of that name; a number that names no label stays as it is.
// False (with the compiler's error set) when the result is not a line index.
bool ResolveLastLabel(TCompiler& compiler, int32_t lineIndex, size_t param) {
  std::string& target = compiler.Lines.Lines[lineIndex].Params[param];
  if (target == "0") {
    target = "-1";
    return true;
  }
  const std::string wanted = platform::AnsiLower(target);
  int32_t found = -1;
  for (int32_t i = 0; i < compiler.Lines.Count(); ++i) {
    const TCompLine& line = compiler.Lines.Lines[i];
    if (IsLabel(line) && platform::AnsiLower(line.Params[0]) == wanted) found = i;
  }
  if (found >= 0) target = std::to_string(found);
  if (ReadsAsInteger(target)) return true;
  LabelNotFound(compiler, lineIndex, target);
  return false;
}

void EnterLanguageTable(TCompiler& compiler, int32_t lineIndex, const std::string& prefix) {
  const std::string& table = compiler.Lines.Lines[lineIndex].Params[0];
  const std::string path = IncludeTrailingBackslash(compiler.DataDir) + "languages\\" + table + ".wri";
  if (platform::FileExists(path)) compiler.FileList.EnterFile(path, prefix + table, "", 0);
  else compiler.Warning("Language table not found - " + path);
}

}  // namespace

void TGotoCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  TCompLine& line = compiler.Lines.Lines[lineIndex];
  if (line.Command != Number()) return;
  // The first label of the name wins.
  std::string& target = line.Params[0];
  const std::string wanted = platform::AnsiLower(target);
  for (int32_t i = 0; i < compiler.Lines.Count(); ++i) {
    const TCompLine& label = compiler.Lines.Lines[i];
    if (IsLabel(label) && platform::AnsiLower(label.Params[0]) == wanted) {
      target = std::to_string(i);
      break;
    }
  }
  if (!ReadsAsInteger(target)) LabelNotFound(compiler, lineIndex, target);
}

void TIfFileExistsCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  if (ResolveLastLabel(compiler, lineIndex, 1)) ResolveLastLabel(compiler, lineIndex, 2);
}

void TMessageBoxCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  if (ResolveLastLabel(compiler, lineIndex, 2)) ResolveLastLabel(compiler, lineIndex, 3);
}

void TLanguageCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (MeetsMinimum(compiler, lineIndex)) EnterLanguageTable(compiler, lineIndex, kLanguageEntryPrefix);
}

void TUninstallLanguageCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (MeetsMinimum(compiler, lineIndex))
    EnterLanguageTable(compiler, lineIndex, kUninstallLanguageEntryPrefix);
}

void TPagesCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (MeetsMinimum(compiler, lineIndex)) compiler.Info.Info.Pages = compiler.Lines.Lines[lineIndex].Params[0];
}

void TUninstallPagesCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  compiler.Info.Info.UninstallPages = compiler.Lines.Lines[lineIndex].Params[0];
  compiler.Info.Info.MakeUninstaller = 1;
}

void TChangelogCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (MeetsMinimum(compiler, lineIndex))
    compiler.Info.Info.Changelog = compiler.Lines.Lines[lineIndex].Params[0];
}
