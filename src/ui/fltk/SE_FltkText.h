// Texts on screen as the pages expect them: written as they stand ("@" and "&" are
// ordinary characters, never FLTK symbols or shortcut marks), broken into lines at
// carriage returns and line feeds (CR LF counts once), and, with word wrap, between
// words where the next word would pass the right edge. A word wider than the line
// stands alone on its line; blanks at a wrapped line's start are dropped.
#pragma once

#include <FL/Enumerations.H>

#include <string>
#include <vector>

#include "ui/SE_Control.h"

// The label type that draws labels this way (buttons, radio buttons, menu items).
// Registered with FLTK on first use.
Fl_Labeltype PlainLabelType();

// A control's font made current (face, size, bold) with its colour.
struct TTextFont {
  Fl_Font font = FL_HELVETICA;
  int size = 11;
  Fl_Color colour = FL_BLACK;
};
TTextFont TextFontOf(const TFontSpec& font);
void UseFont(const TTextFont& font);

std::string Utf8Of(const std::u16string& text);

// The lines of a text in the current font; maxWidth matters only with wrap.
std::vector<std::string> BreakLines(const std::string& utf8, int maxWidth, bool wrap);
// Width of the widest line in the current font.
int WidestLine(const std::vector<std::string>& lines);

// Draws lines from the top of (x, y, w) in the current font and colour, each line
// aligned as align says (FL_ALIGN_LEFT, FL_ALIGN_RIGHT, else centred).
void DrawLines(const std::vector<std::string>& lines, int x, int y, int w, Fl_Align align);

// The text of a disabled control: a light copy one pixel down and right under a
// shadow-coloured one.
void DrawDisabledLines(const std::vector<std::string>& lines, int x, int y, int w, Fl_Align align);
