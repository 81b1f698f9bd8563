#include "script/ZTI_CommandsFile.h"

#include <optional>

#include "package/ZTI_EntryNames.h"
#include "platform/Errors.h"
#include "script/ZTI_CompilerThread.h"

void TFileCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  const std::string source = compiler.Lines.Lines[lineIndex].Params[0];
  const int32_t group = compiler.AppendNewGroup(lineIndex);
  compiler.FileList.AddSource(source, group, "", false, "");
  // The setup would refuse these names; the author hears of them now, with the line.
  for (const TFile& file : compiler.FileList.Groups[group].Files)
    if (const std::optional<std::string> fault = EntryNameFault(file.EntryName))
      throw platform::ESetupError("entry \"" + file.EntryName + "\" " + *fault);
}
