#include "script/ZTI_CommandsFile.h"

#include "script/ZTI_CompilerThread.h"

void TFileCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  const std::string source = compiler.Lines.Lines[lineIndex].Params[0];
  const int32_t group = compiler.AppendNewGroup(lineIndex);
  compiler.FileList.AddSource(source, group, "", false, "");
}
