#include "gamedata/SE_UpdateCommands.h"

#include "script/SE_KeyDigits.h"
#include "script/ZTI_CompilerThread.h"
#include "script/ZTI_FixedKeys.h"

namespace {
void ScrambleSecondParameter(TCompiler& compiler, int32_t lineIndex) {
  std::string& word = compiler.Lines.Lines[lineIndex].Params[1];
  word = AddKeyDigits(kScriptParameterKey, word);
}
}  // namespace

void TZTPUpdateCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  const TCompLine& line = compiler.Lines.Lines[lineIndex];
  const std::string source = line.Params[0];
  const std::string package = line.Params[2];
  const int32_t group = compiler.AppendNewGroup(lineIndex);
  compiler.FileList.AddSource(source, group, "", false, package);
  ScrambleSecondParameter(compiler, lineIndex);
}

void TZTPOfficialCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (MeetsMinimum(compiler, lineIndex)) ScrambleSecondParameter(compiler, lineIndex);
}

void TVFSUpdateCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  const TCompLine& line = compiler.Lines.Lines[lineIndex];
  const std::string source = line.Params[0];
  const std::string archive = line.Params[1];
  const int32_t group = compiler.AppendNewGroup(lineIndex);
  compiler.FileList.AddSource(source, group, "", false, archive);
}
