// The step before any change to the registry: when another program holds the
// registry and would write its own copy back over the change (on Linux, Wine programs
// of the prefix are running), the user is asked to close them, with Retry and Cancel.
// Cancel (the unattended answer) stops the program with exit status 1 before anything
// is written to the registry.
#pragma once

#include <string>

// The box's text.
extern const char kRegistryInUseText[];

// Returns once the registry may be changed; ends the process on Cancel.
void WaitUntilRegistryCanBeChanged();
