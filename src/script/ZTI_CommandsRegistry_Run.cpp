// Run steps of the registry and shortcut commands. Each records what it wrote for
// the uninstaller: registry entry lines (four double-quoted fields: root name as
// written, key, value name, data as written before expansion) and link files.
#include <initializer_list>
#include <utility>

#include "platform/Registry.h"
#include "script/SE_Global.h"
#include "script/SE_InstallRecorder.h"
#include "script/SE_RegistryAccess.h"
#include "script/SE_RegistryEntryLine.h"
#include "script/SE_RegistryOldValues.h"
#include "script/SE_RunChanges.h"
#include "script/SE_RunRegistry.h"
#include "script/ZTI_CommandsRegistry.h"
#include "script/ZTI_CommandsRun.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Writes string values below HKEY_CLASSES_ROOT, creating the key.
void WriteClassesValues(const std::string& key,
                        std::initializer_list<std::pair<std::string, std::string>> values) {
  WaitUntilRegistryCanBeChanged();
  constexpr int kClassesRoot = 2;
  for (const auto& [name, data] : values) WriteRegistryStringKeepingOld(kClassesRoot, key, name, data);
}

}  // namespace

void TWriteRegStrCommand::Execute(int32_t lineIndex) {
  const TCompLine& line = RunLine(lineIndex);
  const std::string& root = Param(line, 0);
  const std::string& key = Param(line, 1);
  const std::string& name = Param(line, 2);
  const std::string& data = Param(line, 3);
  // A value the uninstaller could not find again from its line is not written.
  if (const auto problem = RegistryEntryProblem(root, key, name, data))
    throw ERunStopped("The registry value \"" + name + "\" of " + key + " is not written: " + *problem);
  WaitUntilRegistryCanBeChanged();
  // A value that cannot be written asks Retry/Cancel; Cancel stops the run.
  // A value the game had keeps its old data for the uninstaller.
  WriteRegistryStringKeepingOld(RootCodeFromName(root), key, name, ExpandVariables(std::string_view(data)));
  // The list keeps each line once.
  RecordRegistryEntry(RegistryEntryLine(root, key, name, data));
}

void TWriteRegStr_URLCommand::Execute(int32_t lineIndex) {
  const TCompLine& line = RunLine(lineIndex);
  const std::string& protocol = Param(line, 0);
  const std::string iconKey = protocol + "\\DefaultIcon\\";
  const std::string commandKey = protocol + "\\shell\\open\\command\\";
  if (const auto problem = RegistryEntryProblem("HKCR", protocol, "", ""))
    throw ERunStopped("The URL protocol " + protocol + " is not registered: " + *problem);
  // The program in quotes, then each further parameter in quotes, not expanded.
  std::string command = Quoted(ExpandVariables(std::string_view(Param(line, 2))));
  for (int32_t i = 3; i < line.ParamCount(); ++i) command += " " + Quoted(line.Params[i]);
  WaitUntilRegistryCanBeChanged();

  WriteClassesValues(protocol, {{"", "URL:" + protocol + " Protocol"}, {"URL Protocol", ""}});
  WriteClassesValues(iconKey, {{"", ExpandVariables(std::string_view(Param(line, 1)))}});
  WriteClassesValues(commandKey, {{"", command}});

  RecordRegistryEntry(RegistryEntryLine("HKCR", protocol, "", ""));
  RecordRegistryEntry(RegistryEntryLine("HKCR", protocol, "URL Protocol", ""));
  RecordRegistryEntry(RegistryEntryLine("HKCR", iconKey, "", ""));
  RecordRegistryEntry(RegistryEntryLine("HKCR", commandKey, "", ""));
}

void TCreateShortCutCommand::Execute(int32_t lineIndex) {
  const TCompLine& line = RunLine(lineIndex);
  const std::string link = ExpandVariables(std::string_view(Param(line, 0)));
  const std::string target = ExpandVariables(std::string_view(Param(line, 1)));
  const std::string arguments = ExpandVariables(std::string_view(Param(line, 2)));
  if (line.ParamCount() >= 4)
    CreateShortcutWithIcon(link, target, arguments, ExpandVariables(std::string_view(Param(line, 3))));
  else CreateShortcutSimple(link, target, arguments);
  RecordInstalledFile(link);
}
