#include "app/SE_SetupMain.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/SErrorLog.h"
#include "app/SE_CommandLine.h"
#include "app/SE_MachineChoice.h"
#include "app/SE_Startup.h"
#include "app/SE_ViewChoice.h"
#include "package/ZTI_PakFile.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/MachineOwner.h"
#include "platform/SystemInfo.h"

std::string PackageArgumentMistake(const TSetupOptions& options, bool carriesOwnPackage) {
  if (!options.package || !carriesOwnPackage) return std::string();
  // The elevation prompt vouched for this program and its package; another package
  // would run its script with the rights given to this one.
  return "this setup carries its own package and runs only that one, not " + *options.package;
}

namespace {

// True when the program's own file ends with a package: a setup (or an uninstaller),
// not the bare program.
bool CarriesOwnPackage() {
  TPak own;
  own.Create(platform::OwnExecutablePath(), false, false);
  return own.Header().IsPackage();
}

// The command line read as the machine (as far as it is chosen) sees its paths, with
// the package rule applied.
TSetupOptions ReadCommandLine(const std::vector<std::string>& arguments) {
  TSetupOptions options = ParseSetupCommandLine(arguments);
  if (options.error.empty())
    options.error = PackageArgumentMistake(
        options, options.package && platform::ElevationPromptNamesTheProgram() && CarriesOwnPackage());
  return options;
}

int CommandLineMistake(const TSetupOptions& options) {
  std::fprintf(stderr, "setup: %s\n%s\n", options.error.c_str(), kSetupUsage);
  return platform::kExitStartupStop;
}

}  // namespace

int SetupMain(const std::vector<std::string>& arguments) {
  // The machine is chosen first: until then nothing on it is read, and nothing made.
  // (A caller in the same process, a test, finds the choice as it left it.)
  struct RestoreChoice {
    platform::MachineChoiceState before = platform::CurrentMachineChoice();
    ~RestoreChoice() { platform::RestoreMachineChoice(before); }
  } restore;
  platform::DeferMachineChoice();
  TSetupOptions options = ReadCommandLine(arguments);
  if (!options.error.empty()) return CommandLineMistake(options);
  SetReportArguments(arguments);
  std::unique_ptr<TWizardView> view = ChooseView(options);
  if (options.prefix || platform::MachineChoiceOpen()) {
    view->InstallHandlers();
    if (const std::optional<int> stop = ChooseSetupMachine(options, IsUnattended(*view))) return *stop;
    // The paths of the command line now name places on the chosen machine.
    options = ReadCommandLine(arguments);
    if (!options.error.empty()) return CommandLineMistake(options);
    view.reset();
    view = ChooseView(options);
  }
  // Before anything is made or changed on the chosen machine.
  if (const platform::Status owner = platform::CheckMachineOwner(); !owner) {
    std::fprintf(stderr, "setup: %s\n", owner.Problem().c_str());
    return platform::kExitStartupStop;
  }
  const int status = RunSetup(options, *view);
  std::fflush(nullptr);
  return status;
}
