// A window drawn again into an image surface, whether or not it is covered on the
// display: its client area as RGB rows from the top.
#pragma once

#include <cstdint>
#include <vector>

class Fl_Window;

struct TCapturedRgb {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Rgb;  // 3 bytes a pixel
};

// The window must be shown.
TCapturedRgb DrawWindowToRgb(Fl_Window& window);
