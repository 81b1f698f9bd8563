// FLTK's drawing functions without the X headers' macros. fl_draw.H brings in the X
// headers, whose macros (None, Status, Bool, True, False, Success, Always, Button1 to
// Button5) break ordinary names such as MessageIcon::None or the form's Button2.
// Every file of the view that draws includes this header, before anything else but
// its own header.
#pragma once

#include <FL/Fl_Pixmap.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#undef None
#undef Status
#undef Bool
#undef True
#undef False
#undef Success
#undef Always
#undef Button1
#undef Button2
#undef Button3
#undef Button4
#undef Button5
