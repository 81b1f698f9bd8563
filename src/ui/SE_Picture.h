// Pictures as pixels, and where a picture control draws them. Toolkit-free, shared by
// every view and tested on its own:
//
//   tiling     the picture is drawn into a bitmap of the control's size at every
//              TileOrigins point (SE_Control.h); partial tiles fill the right and
//              bottom edges
//   stretch    the picture is scaled to the control's size (nearest pixel, as the
//              system's stretching of a bitmap does)
//   center     the picture's top-left corner moves by ((cw - w) div 2, (ch - h) div 2),
//              which is negative for a picture larger than the control
//   neither    the picture sits at the control's top-left corner
// Whatever falls outside the control is clipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TGradGauge;

// No picture the view makes is wider or higher than this: a control sized far beyond
// any screen gets a bitmap cut to it (the rest could never be seen).
inline constexpr int32_t kMaxPictureSide = 4096;

// RGBA, 4 bytes a pixel, rows from the top.
struct TPixels {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Rgba;

  TPixels() = default;
  // A picture of the size (each side cut to 0..kMaxPictureSide), every pixel
  // transparent black.
  TPixels(int32_t width, int32_t height);
  bool Empty() const { return Width <= 0 || Height <= 0; }
  // Whether any pixel is less than opaque.
  bool HasAlpha() const;
  const uint8_t* At(int32_t x, int32_t y) const { return &Rgba[(static_cast<size_t>(y) * Width + x) * 4]; }
  uint8_t* At(int32_t x, int32_t y) { return &Rgba[(static_cast<size_t>(y) * Width + x) * 4]; }
};

struct TPictureRect {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TPictureRect&) const = default;
};

// Where the picture goes inside a control of controlW x controlH (control coordinates).
TPictureRect PictureDestRect(int32_t controlW, int32_t controlH, int32_t pictureW, int32_t pictureH,
                             bool stretch, bool center);

// The picture drawn at every tile origin of a width x height bitmap. The bitmap starts
// black and opaque; a picture with transparent pixels is blended onto it.
TPixels ComposeTiles(const TPixels& picture, int32_t width, int32_t height);

// The picture scaled to width x height, each target pixel taking the source pixel
// under its top-left corner.
TPixels ScaleNearest(const TPixels& picture, int32_t width, int32_t height);

// A transparent bitmap: every pixel of the colour of the bottom-left pixel becomes
// fully transparent.
void ApplyColourKey(TPixels& picture);

enum class TPictureFormat { Unknown, Jpeg, Png, Bmp, Gif };

// The format a name's extension names (any case).
TPictureFormat FormatOfName(const std::string& name);
// The format the first bytes show.
TPictureFormat FormatOfBytes(const std::vector<uint8_t>& bytes);

// The gauge's gradient bitmap (TGradGauge::kGradientWidth x kGradientHeight): its 256
// bands from Color1 at the top to Color2 at the bottom, opaque.
TPixels GaugeGradient(const TGradGauge& gauge);
