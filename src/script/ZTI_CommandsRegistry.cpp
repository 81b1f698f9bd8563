// Packaging steps of the registry commands: a value whose registry entry line the
// install log could not carry is refused with its script line.
#include "script/SE_RegistryEntryLine.h"
#include "script/ZTI_CommandsRegistry.h"
#include "script/ZTI_CompilerThread.h"

namespace {

void RefuseUnrecordable(TCompiler& compiler, int32_t lineIndex, const std::optional<std::string>& problem) {
  if (!problem) return;
  compiler.ErrorText = "Registry value not recordable - " + *problem;
  compiler.ErrorLine = compiler.Lines.Lines[lineIndex].LineNo;
}

}  // namespace

void TWriteRegStrCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  const std::vector<std::string>& p = compiler.Lines.Lines[lineIndex].Params;
  RefuseUnrecordable(compiler, lineIndex, RegistryEntryProblem(p[0], p[1], p[2], p[3]));
}

void TWriteRegStr_URLCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  RefuseUnrecordable(compiler, lineIndex,
                     RegistryEntryProblem("HKCR", compiler.Lines.Lines[lineIndex].Params[0], "", ""));
}
