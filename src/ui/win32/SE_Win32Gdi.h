// What the Win32 view's pieces share: texts as the system wants them, colours, fonts
// made with CreateFontW at the screen's DPI, brushes, and layout pixels scaled to the
// DPI (the pages are laid out for 96 dpi; with DPI awareness declared in the
// manifest, the whole window scales by the same factor).
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>

#include "ui/SE_Control.h"

std::wstring WideOf(const std::u16string& text);
std::wstring WideOfAnsi(const std::string& text);
std::u16string U16Of(const std::wstring& text);
// Line breaks the system's edit controls and boxes show: a lone CR or LF becomes CR LF.
std::wstring WithCrLf(std::wstring text);
// "&" shown as itself on a button or radio button (it would mark a shortcut key).
std::wstring WithoutShortcuts(const std::wstring& text);

// A model colour as COLORREF; system colours are the running system's.
COLORREF ColourRef(TColor colour);

// The screen's DPI and the layout scale that follows from it.
int ScreenDpi();
inline int Scaled(int value, int dpi) { return MulDiv(value, dpi, 96); }

// Fonts and brushes made once and kept for the view's life.
class TGdiCache {
 public:
  explicit TGdiCache(int dpi) : dpi_(dpi) {}
  ~TGdiCache();
  TGdiCache(const TGdiCache&) = delete;
  TGdiCache& operator=(const TGdiCache&) = delete;

  int Dpi() const { return dpi_; }
  int Scale(int v) const { return Scaled(v, dpi_); }
  // Device pixels back to the layout's.
  int Unscale(int v) const { return MulDiv(v, 96, dpi_); }
  // The face at the size in points, bold or not: a height of -MulDiv(points, dpi, 72)
  // ("MS Shell Dlg 2" at 8 points is -11 at 96 dpi).
  HFONT Font(const TFontSpec& wanted);
  HBRUSH Brush(COLORREF colour);

 private:
  int dpi_;
  std::map<std::tuple<std::string, int32_t, bool>, HFONT> fonts_;
  std::map<COLORREF, HBRUSH> brushes_;
};

// A control's place on the main window's client area, in device pixels.
RECT PlacedRect(const TControl& control, int dpi);
// Shown only when it and every container above it are (the window itself aside).
bool ShownOnScreen(const TControl& control);
bool EnabledOnScreen(const TControl& control);
// The colour a control sits on: its parent's.
TColor BackgroundOf(const TControl& control);
