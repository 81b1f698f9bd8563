#include "app/SE_SetupMain.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/SErrorLog.h"
#include "app/SE_CommandLine.h"
#include "app/SE_MachineChoice.h"
#include "app/SE_Startup.h"
#include "app/SE_ViewChoice.h"
#include "platform/Dialogs.h"
#include "platform/Machine.h"

int SetupMain(const std::vector<std::string>& arguments) {
  // The machine is chosen first: until then nothing on it is read, and nothing made.
  // (A caller in the same process, a test, finds the choice as it left it.)
  struct RestoreChoice {
    platform::MachineChoiceState before = platform::CurrentMachineChoice();
    ~RestoreChoice() { platform::RestoreMachineChoice(before); }
  } restore;
  platform::DeferMachineChoice();
  TSetupOptions options = ParseSetupCommandLine(arguments);
  if (!options.error.empty()) {
    std::fprintf(stderr, "setup: %s\n%s\n", options.error.c_str(), kSetupUsage);
    return platform::kExitStartupStop;
  }
  SetReportArguments(arguments);
  std::unique_ptr<TWizardView> view = ChooseView(options);
  if (options.prefix || platform::MachineChoiceOpen()) {
    view->InstallHandlers();
    if (const std::optional<int> stop = ChooseSetupMachine(options, IsUnattended(*view))) return *stop;
    // The paths of the command line now name places on the chosen machine.
    options = ParseSetupCommandLine(arguments);
    view.reset();
    view = ChooseView(options);
  }
  const int status = RunSetup(options, *view);
  std::fflush(nullptr);
  return status;
}
