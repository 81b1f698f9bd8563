// The setup program's entry: reads the command line, chooses the view and runs
// start-up and the wizard (SE_Startup.h); returns the exit status.
#pragma once

#include <string>
#include <vector>

#include "app/SE_CommandLine.h"

// A package named on the command line is honoured only by a program that carries
// none of its own (the bare program), where the elevation prompt vouched for the
// program's own package (Windows; on Linux a setup may open an uninstaller, or a
// Windows setup): the mistake's text, or empty when there is none.
std::string PackageArgumentMistake(const TSetupOptions& options, bool carriesOwnPackage);

// The arguments without the program name, in UTF-8.
int SetupMain(const std::vector<std::string>& arguments);
