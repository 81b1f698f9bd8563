// The setup program's start-up and its run: choose and open the package, verify every
// entry behind the verification window, read the setup information and then either
// the compiled script (install mode: group kinds, required space, the renamed-file
// check, the installation directory from the registry and its free space) or the
// install log (uninstall mode); load the language tables and pick one; build the
// wizard and run it. Returns the program's exit status:
//
//   0 finished   1 the script failed   2 a start-up stop (fixed message)
//   3 cancelled  4 an error report was written   (5: a fatal stop, ended elsewhere)
//
// Errors during verification are reported ("Verification Stage") and start-up goes
// on; any other unexpected error is reported without a stage and ends the run.
#pragma once

#include "app/SE_CommandLine.h"

class TWizardView;

int RunSetup(const TSetupOptions& options, TWizardView& view);
