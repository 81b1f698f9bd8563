// Kept apart: FLTK's image surface brings in the X headers, whose names (None,
// Status, Bool) clash with ours.
#include "ui/fltk/SE_FltkCapture.h"

#include <FL/Fl_Image_Surface.H>
#include <FL/Fl_Window.H>

#include <memory>

TCapturedRgb DrawWindowToRgb(Fl_Window& window) {
  TCapturedRgb out;
  Fl_Image_Surface surface(window.w(), window.h());
  surface.set_current();
  surface.draw(&window);
  const std::unique_ptr<Fl_RGB_Image> image(surface.image());
  Fl_Display_Device::display_device()->set_current();
  if (!image || image->d() < 3 || image->count() != 1) return out;
  out.Width = image->w();
  out.Height = image->h();
  const int depth = image->d();
  const auto* bits = reinterpret_cast<const uint8_t*>(image->data()[0]);
  const size_t stride =
      image->ld() ? static_cast<size_t>(image->ld()) : static_cast<size_t>(out.Width) * depth;
  out.Rgb.reserve(static_cast<size_t>(out.Width) * out.Height * 3);
  for (int y = 0; y < out.Height; ++y)
    for (int x = 0; x < out.Width; ++x) {
      const uint8_t* p = bits + y * stride + static_cast<size_t>(x) * depth;
      out.Rgb.insert(out.Rgb.end(), p, p + 3);
    }
  return out;
}
