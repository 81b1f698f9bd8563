// The setup program's entry: reads the command line, chooses the view and runs
// start-up and the wizard (SE_Startup.h); returns the exit status.
#pragma once

#include <string>
#include <vector>

// The arguments without the program name, in UTF-8.
int SetupMain(const std::vector<std::string>& arguments);
