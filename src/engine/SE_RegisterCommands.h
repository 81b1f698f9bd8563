// Fills a command list with one object of each of the command classes, in the
// command table's order, so that a stored Command n runs Items[n-1].
#pragma once

#include "script/ZTI_CommandList.h"

// Clears the list first, so calling it twice leaves one of each.
void RegisterCommands(TCommandList& list);
// The program's command list (CommandList()).
void RegisterCommands();
