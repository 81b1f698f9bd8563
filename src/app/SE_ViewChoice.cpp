#include "app/SE_ViewChoice.h"

#include "ui/silent/SE_SilentView.h"

namespace {

// The on-screen view, when this build has one and it can open a display; null
// otherwise. An on-screen view takes options.directory as the directory chosen up
// front (TFrmMain::ChooseInstallDir after the pages are set up).
std::unique_ptr<TWizardView> ScreenView(const TSetupOptions&) { return nullptr; }

}  // namespace

std::unique_ptr<TWizardView> ChooseView(const TSetupOptions& options) {
  if (!options.silent)
    if (std::unique_ptr<TWizardView> view = ScreenView(options)) return view;
  return std::make_unique<TSilentView>(options.directory);
}
