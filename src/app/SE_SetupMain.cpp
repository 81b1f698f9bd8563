#include "app/SE_SetupMain.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/SErrorLog.h"
#include "app/SE_CommandLine.h"
#include "app/SE_Startup.h"
#include "app/SE_ViewChoice.h"
#include "platform/Dialogs.h"

int SetupMain(const std::vector<std::string>& arguments) {
  const TSetupOptions options = ParseSetupCommandLine(arguments);
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
