// The connection to the display. FLTK ends the process when it cannot open one, so
// the view opens it first and hands it over; without a display the program runs
// unattended instead.
#pragma once

// True when a display is open for FLTK (opened now or before).
bool OpenFltkDisplay();
