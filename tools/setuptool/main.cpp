// setuptool: inspector and helper for setup packages, install logs, language tables,
// game packages and archives, and the registry of the emulated machine.
#include <cstdio>
#include <string>
#include <vector>

#include "ToolCommand.h"
#include "platform/MachineOwner.h"
#include "platform/ProgramArguments.h"

namespace setuptool {

namespace {
std::vector<ToolCommand>& Commands() {
  static std::vector<ToolCommand> commands;
  return commands;
}

const ToolCommand* Find(const std::string& name) {
  for (const auto& command : Commands())
    if (name == command.name) return &command;
  return nullptr;
}

void PrintHelp(std::FILE* out) {
  std::fprintf(out, "usage: setuptool COMMAND ...\n\n");
  for (const auto& command : Commands()) std::fprintf(out, "%s\n", command.usage);
}
}  // namespace

int RegisterToolCommand(const ToolCommand& command) {
  Commands().push_back(command);
  return static_cast<int>(Commands().size()) - 1;
}

int UsageError(const char* name) {
  const ToolCommand* command = Find(name);
  std::fprintf(stderr, "usage:\n%s\n", command ? command->usage : name);
  return 2;
}

}  // namespace setuptool

int main(int argc, char** argv) {
  using namespace setuptool;
  const std::vector<std::string> arguments = platform::StartProgram(argc, argv);
  if (arguments.empty() || arguments[0] == "help" || arguments[0] == "--help") {
    PrintHelp(arguments.empty() ? stderr : stdout);
    return arguments.empty() ? 2 : 0;
  }
  if (const platform::Status owner = platform::CheckMachineOwner(); !owner) {
    std::fprintf(stderr, "setuptool: %s\n", owner.Problem().c_str());
    return 2;
  }
  const ToolCommand* command = Find(arguments[0]);
  if (!command) {
    std::fprintf(stderr, "setuptool: unknown command '%s'\n", arguments[0].c_str());
    PrintHelp(stderr);
    return 2;
  }
  return command->run(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
}
