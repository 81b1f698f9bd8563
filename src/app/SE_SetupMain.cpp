#include "app/SE_SetupMain.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/SErrorLog.h"
#include "app/SE_CommandLine.h"
#include "app/SE_Startup.h"
#include "app/SE_ViewChoice.h"
#include "package/ZTI_PakFile.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/MachineOwner.h"

namespace {

// True when the program's own file ends with a package: a setup (or an uninstaller),
// not the bare program.
bool CarriesOwnPackage() {
  TPak own;
  own.Create(platform::OwnExecutablePath(), false, false);
  return own.Header().IsPackage();
}

}  // namespace

std::string PackageArgumentMistake(const TSetupOptions& options, bool carriesOwnPackage) {
  if (!options.package || !carriesOwnPackage) return std::string();
  // The elevation prompt vouched for this program and its package; another package
  // would run its script with the rights given to this one.
  return "this setup carries its own package and runs only that one, not " + *options.package;
}

int SetupMain(const std::vector<std::string>& arguments) {
  // Before anything is looked up on the machine (looking may already create it).
  if (const platform::Status owner = platform::CheckMachineOwner(); !owner) {
    std::fprintf(stderr, "setup: %s\n", owner.Problem().c_str());
    return platform::kExitStartupStop;
  }
  TSetupOptions options = ParseSetupCommandLine(arguments);
  if (options.error.empty())
    options.error = PackageArgumentMistake(options, options.package && CarriesOwnPackage());
  if (!options.error.empty()) {
    std::fprintf(stderr, "setup: %s\n%s\n", options.error.c_str(), kSetupUsage);
    return platform::kExitStartupStop;
  }
  SetReportArguments(arguments);
  const std::unique_ptr<TWizardView> view = ChooseView(options);
  const int status = RunSetup(options, *view);
  std::fflush(nullptr);
  return status;
}
