// Fonts and colours for the FLTK view. Page definitions name Windows font faces and
// sizes in points; one table maps each face to a family installed here (the Debian
// packages fonts-dejavu-core and fonts-liberation), and sizes become pixels at 96 dots
// per inch, as the pages were designed:
//
//   "MS Shell Dlg 2", "MS Shell Dlg", "Tahoma", "MS Sans Serif", "Microsoft Sans Serif",
//   "Segoe UI", "Verdana", "Trebuchet MS", "System"      -> DejaVu Sans
//   "Arial", "Helvetica"                                  -> Liberation Sans
//   "Times New Roman", "Times"                            -> Liberation Serif
//   "Courier New", "Courier"                              -> Liberation Mono
//   "Georgia"                                             -> DejaVu Serif
//   "Lucida Console", "Consolas"                          -> DejaVu Sans Mono
//
// Any other face is asked for by its own name (the font configuration then picks the
// nearest installed family).
#pragma once

#include <FL/Enumerations.H>

#include <cstdint>
#include <string>

#include "ui/SE_Colour.h"

// The installed family that stands for a Windows face (compared without regard to case).
std::string InstalledFamilyFor(const std::string& windowsFace);

// Pixels of a font size in points at 96 dpi (8 -> 11, 9 -> 12, 12 -> 16). A size of 0
// or below counts as 8 points; sizes are kept to 1..400 points.
int PixelsOfPoints(int32_t points);

// The FLTK font for a face with the given style, registered on first use.
Fl_Font FltkFont(const std::string& windowsFace, bool bold, bool italic = false);

// A colour in the page encoding ($00BBGGRR, system colours resolved).
Fl_Color FltkColour(TColor colour);
Fl_Color FltkColour(uint8_t r, uint8_t g, uint8_t b);
