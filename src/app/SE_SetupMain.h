// The setup program's entry: reads the command line, chooses the view and runs
// start-up and the wizard (SE_Startup.h); returns the exit status.
#pragma once

int SetupMain(int argc, char** argv);
