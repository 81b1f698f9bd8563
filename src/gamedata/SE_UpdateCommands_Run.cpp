// Run steps of the commands that change the game's own packages and archives.
#include "gamedata/SE_UpdateCommands.h"

#include "gamedata/SE_VFS.h"
#include "gamedata/ZT_PakSystem.h"
#include "script/SE_KeyDigits.h"
#include "script/ZTI_CommandsRun.h"
#include "script/ZTI_FixedKeys.h"

namespace {

// The second parameter is stored scrambled; the plain text replaces it in the line.
const std::string& UnscrambleSecondParameter(TCompLine& line) {
  if (line.ParamCount() < 2) return Param(line, 1);
  line.Params[1] = SubtractKeyDigits(kScriptParameterKey, line.Params[1]);
  return line.Params[1];
}

}  // namespace

// Stored: source, password (scrambled), package, group.
void TZTPUpdateCommand::Execute(int32_t lineIndex) {
  TCompLine& line = RunLine(lineIndex);
  const std::string password = UnscrambleSecondParameter(line);
  PakSystem().UpdatePackage(GroupOfLine(line), Param(line, 2), password);
}

// Stored: package, access word (scrambled), value.
void TZTPOfficialCommand::Execute(int32_t lineIndex) {
  TCompLine& line = RunLine(lineIndex);
  const std::string marker = UnscrambleSecondParameter(line);
  PakSystem().SetOfficial(Param(line, 0), marker, Param(line, 2));
}

// Stored: source, archive, [close flag,] group. Without a close flag the archive is
// closed after the update; with one, only "1" closes it.
void TVFSUpdateCommand::Execute(int32_t lineIndex) {
  TCompLine& line = RunLine(lineIndex);
  const bool close = line.ParamCount() >= 4 ? Param(line, 2) == "1" : true;
  if (!UpdateArchive(GroupOfLine(line), Param(line, 1), close)) AbortRequested = true;
}

// Stored: package, existing entry, new entry (not expanded).
void TDuplicateEntryCommand::Execute(int32_t lineIndex) {
  TCompLine& line = RunLine(lineIndex);
  PakSystem().DuplicateEntry(Param(line, 0), Param(line, 1), Param(line, 2));
}
