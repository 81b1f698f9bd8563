// The on-screen view of the wizard. Each view library (ui/fltk on Linux, ui/win32 on
// Windows, ui/noscreen where there is none) supplies this one function, and the build
// links exactly one of them, so the program's start needs no knowledge of toolkits.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ui/SE_View.h"

// The view, or null when it cannot show anything (no display). directory: a Windows
// path chosen up front (the command line), taken as the installation directory before
// the wizard shows.
std::unique_ptr<TWizardView> CreateScreenView(std::optional<std::string> directory);
