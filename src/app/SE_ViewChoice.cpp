#include "app/SE_ViewChoice.h"

#include "ui/silent/SE_SilentView.h"
#if SE_HAVE_FLTK_VIEW
#include "ui/fltk/SE_FltkView.h"
#endif

namespace {

// The on-screen view, when this build has one and it can open a display; null
// otherwise. An on-screen view takes options.directory as the directory chosen up
// front (TFrmMain::ChooseInstallDir after the pages are set up).
std::unique_ptr<TWizardView> ScreenView([[maybe_unused]] const TSetupOptions& options) {
#if SE_HAVE_FLTK_VIEW
  return TFltkView::Create(options.directory);
#else
  return nullptr;
#endif
}

}  // namespace

std::unique_ptr<TWizardView> ChooseView(const TSetupOptions& options) {
  if (!options.silent)
    if (std::unique_ptr<TWizardView> view = ScreenView(options)) return view;
  return std::make_unique<TSilentView>(options.directory);
}
