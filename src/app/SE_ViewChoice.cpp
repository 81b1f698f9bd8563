#include "app/SE_ViewChoice.h"

#include "ui/SE_ScreenView.h"
#include "ui/silent/SE_SilentView.h"

std::unique_ptr<TWizardView> ChooseView(const TSetupOptions& options) {
  // An on-screen view takes options.directory as the directory chosen up front
  // (TFrmMain::ChooseInstallDir after the pages are set up).
  if (!options.silent)
    if (std::unique_ptr<TWizardView> view = CreateScreenView(options.directory)) return view;
  return std::make_unique<TSilentView>(options.directory);
}

bool IsUnattended(const TWizardView& view) { return dynamic_cast<const TSilentView*>(&view) != nullptr; }
