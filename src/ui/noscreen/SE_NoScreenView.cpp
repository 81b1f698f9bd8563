// A build without an on-screen view: the program always runs unattended.
#include "ui/SE_ScreenView.h"

std::unique_ptr<TWizardView> CreateScreenView(std::optional<std::string>) { return nullptr; }

#include "ui/SE_PageRenderer.h"

std::unique_ptr<TPageRenderer> CreatePageRenderer() { return nullptr; }
