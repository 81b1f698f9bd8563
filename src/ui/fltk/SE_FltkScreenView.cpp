// The FLTK view is this build's on-screen view.
#include "ui/SE_ScreenView.h"
#include "ui/fltk/SE_FltkView.h"

std::unique_ptr<TWizardView> CreateScreenView(std::optional<std::string> directory) {
  return TFltkView::Create(std::move(directory));
}
