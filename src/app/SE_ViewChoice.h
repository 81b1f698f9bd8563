// Which view runs the wizard: the one place where a front end is chosen. --silent
// gives the unattended view; otherwise the on-screen view when the program has one and
// a display is there, else the unattended view too.
#pragma once

#include <memory>

#include "app/SE_CommandLine.h"
#include "ui/SE_View.h"

std::unique_ptr<TWizardView> ChooseView(const TSetupOptions& options);

// Whether the view runs without a window (its message boxes take fixed answers).
bool IsUnattended(const TWizardView& view);
