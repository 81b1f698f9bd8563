// Kept apart: the X headers define names (None, Status, Bool) that clash with ours.
#include "ui/fltk/SE_FltkDisplay.h"

#include <FL/Fl.H>
#include <FL/x.H>

bool OpenFltkDisplay() {
#if defined(_WIN32) || defined(__APPLE__)
  return true;
#else
  if (fl_display) return true;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  fl_open_display(display);
  return true;
#endif
}
