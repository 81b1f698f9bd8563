// The wizard drawn where no player sees it: the pages of a package as pictures
// (setuptool preview) and captions measured as the view draws them (setuptool check).
// Each view library (ui/fltk, ui/win32, ui/noscreen) supplies CreatePageRenderer, and
// the build links exactly one, so a page looks here as it looks to the player.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/SE_Control.h"
#include "ui/SE_Picture.h"
#include "ui/SE_View.h"

struct TTextExtent {
  int32_t Width = 0;
  int32_t Height = 0;
};

class TPageRenderer {
 public:
  virtual ~TPageRenderer() = default;

  // The view the model is realised on (TFrmMain takes it). Its window is made when
  // the form is; nothing runs its event loop.
  virtual TWizardView& View() = 0;
  // The main window's client area as the view draws it now, every pixel opaque, at
  // 96 dpi (578 x 413 for the standard window).
  virtual TPixels CaptureClient() = 0;
  // The size of a text in a font as the view lays a caption out: lines broken at
  // carriage returns and line feeds and, with wrap, between words at wrapWidth.
  virtual TTextExtent MeasureText(const TFontSpec& font, const std::u16string& text, bool wrap,
                                  int32_t wrapWidth) = 0;
  // Whether the view can show the picture (a format it reads, within kMaxPictureSide).
  virtual bool CanLoadPicture(const std::string& entryName, const std::vector<uint8_t>& bytes) = 0;
  // The model is about to go: the view drops the window it made of it. (A new model's
  // window replaces the last one by itself.)
  virtual void Release() = 0;
};

// The renderer of this build's view, or null when it cannot draw (no display).
std::unique_ptr<TPageRenderer> CreatePageRenderer();
