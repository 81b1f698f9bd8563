#include "gamedata/SE_UpdateCommands.h"

#include <optional>

#include "gamedata/VFS_Unit.h"
#include "gamedata/ZT_PakFormat.h"
#include "platform/Errors.h"
#include "script/SE_KeyDigits.h"
#include "script/ZTI_CompilerThread.h"
#include "script/ZTI_FixedKeys.h"

namespace {
void ScrambleSecondParameter(TCompiler& compiler, int32_t lineIndex) {
  std::string& word = compiler.Lines.Lines[lineIndex].Params[1];
  word = AddKeyDigits(kScriptParameterKey, word);
}

// Every entry that reaches the line's target (its own group, or an earlier group that
// names the same target and took its files) must fit the target's records: a cut
// name would add a new record on every run and never match the file again.
void RefuseNamesTargetCannotHold(const TCompiler& compiler, int32_t group,
                                 std::optional<std::string> (*fault)(std::string_view)) {
  const std::vector<TGroup>& groups = compiler.FileList.Groups;
  const std::string& target = groups[size_t(group)].Name;
  for (size_t g = 1; g < groups.size(); ++g) {
    if (int32_t(g) != group && (target.empty() || groups[g].Name != target)) continue;
    for (const TFile& file : groups[g].Files)
      if (const std::optional<std::string> problem = fault(file.EntryName))
        throw platform::ESetupError("entry \"" + file.EntryName + "\" " + *problem);
  }
}
}  // namespace

void TZTPUpdateCommand::Compile(TCompiler& compiler, int32_t lineIndex) {
  if (!MeetsMinimum(compiler, lineIndex)) return;
  const TCompLine& line = compiler.Lines.Lines[lineIndex];
  const std::string source = line.Params[0];
  const std::string package = line.Params[2];
  const int32_t group = compiler.AppendNewGroup(lineIndex);
  compiler.FileList.AddSource(source, group, "", false, package);
  RefuseNamesTargetCannotHold(compiler, group, PakNameFault);
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
  RefuseNamesTargetCannotHold(compiler, group, VFSNameFault);
}
