// Keyboard behaviour shared by our buttons: Enter presses the focused button, as the
// space bar does (FLTK's own buttons answer only the space bar).
#pragma once

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Widget.H>

// For a button's handle(): true when the event was Enter on the focused button and
// the button's callback has run.
inline bool PressOnEnter(Fl_Widget& button, int event) {
  if (event != FL_KEYBOARD || Fl::focus() != &button) return false;
  if (Fl::event_key() != FL_Enter && Fl::event_key() != FL_KP_Enter) return false;
  button.do_callback();
  return true;
}
