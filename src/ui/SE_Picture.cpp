#include "ui/SE_Picture.h"

#include <algorithm>
#include <initializer_list>

#include "platform/CodePage.h"
#include "ui/Ggauge.h"
#include "ui/SE_Control.h"

TPixels::TPixels(int32_t width, int32_t height)
    : Width(std::clamp(width, 0, kMaxPictureSide)),
      Height(std::clamp(height, 0, kMaxPictureSide)),
      Rgba(static_cast<size_t>(Width) * static_cast<size_t>(Height) * 4, 0) {}

bool TPixels::HasAlpha() const {
  for (size_t i = 3; i < Rgba.size(); i += 4)
    if (Rgba[i] != 255) return true;
  return false;
}

TPictureRect PictureDestRect(int32_t controlW, int32_t controlH, int32_t pictureW, int32_t pictureH,
                             bool stretch, bool center) {
  TPictureRect r{0, 0, pictureW, pictureH};
  if (stretch) {
    r.Width = controlW;
    r.Height = controlH;
  }
  if (center) {
    // Integer division truncates toward zero, as the original arithmetic does.
    r.Left = (controlW - r.Width) / 2;
    r.Top = (controlH - r.Height) / 2;
  }
  return r;
}

TPixels ComposeTiles(const TPixels& picture, int32_t width, int32_t height) {
  TPixels out(width, height);
  width = out.Width;
  height = out.Height;
  for (size_t i = 3; i < out.Rgba.size(); i += 4) out.Rgba[i] = 255;
  if (picture.Empty() || out.Empty()) return out;
  for (const TPoint& origin : TileOrigins(width, height, picture.Width, picture.Height)) {
    const int32_t w = std::min(picture.Width, width - origin.x);
    const int32_t h = std::min(picture.Height, height - origin.y);
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t* s = picture.At(x, y);
        uint8_t* d = out.At(origin.x + x, origin.y + y);
        const int a = s[3];
        for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((s[c] * a + d[c] * (255 - a)) / 255);
      }
    }
  }
  return out;
}

TPixels ScaleNearest(const TPixels& picture, int32_t width, int32_t height) {
  TPixels out(width, height);
  if (picture.Empty() || out.Empty()) return out;
  // A cut bitmap keeps the scale of the full one: its pixels are the full one's first.
  const int64_t fullW = std::max(width, 1), fullH = std::max(height, 1);
  width = out.Width;
  height = out.Height;
  for (int32_t y = 0; y < height; ++y) {
    const int32_t sy = static_cast<int32_t>(static_cast<int64_t>(y) * picture.Height / fullH);
    for (int32_t x = 0; x < width; ++x) {
      const int32_t sx = static_cast<int32_t>(static_cast<int64_t>(x) * picture.Width / fullW);
      std::copy_n(picture.At(sx, sy), 4, out.At(x, y));
    }
  }
  return out;
}

void ApplyColourKey(TPixels& picture) {
  if (picture.Empty()) return;
  const uint8_t* key = picture.At(0, picture.Height - 1);
  const uint8_t r = key[0], g = key[1], b = key[2];
  for (size_t i = 0; i < picture.Rgba.size(); i += 4)
    if (picture.Rgba[i] == r && picture.Rgba[i + 1] == g && picture.Rgba[i + 2] == b) picture.Rgba[i + 3] = 0;
}

TPictureFormat FormatOfName(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return TPictureFormat::Unknown;
  const std::string ext = platform::AsciiLower(name.substr(dot + 1));
  if (ext == "jpg" || ext == "jpeg") return TPictureFormat::Jpeg;
  if (ext == "png") return TPictureFormat::Png;
  if (ext == "bmp") return TPictureFormat::Bmp;
  if (ext == "gif") return TPictureFormat::Gif;
  return TPictureFormat::Unknown;
}

TPictureFormat FormatOfBytes(const std::vector<uint8_t>& b) {
  auto starts = [&](std::initializer_list<uint8_t> mark) {
    return b.size() >= mark.size() && std::equal(mark.begin(), mark.end(), b.begin());
  };
  if (starts({0xFF, 0xD8, 0xFF})) return TPictureFormat::Jpeg;
  if (starts({0x89, 'P', 'N', 'G'})) return TPictureFormat::Png;
  if (starts({'B', 'M'})) return TPictureFormat::Bmp;
  if (starts({'G', 'I', 'F', '8'})) return TPictureFormat::Gif;
  return TPictureFormat::Unknown;
}

TPixels GaugeGradient(const TGradGauge& gauge) {
  TPixels out(TGradGauge::kGradientWidth, TGradGauge::kGradientHeight);
  for (int k = 0; k < 256; ++k) {
    const auto [top, bottom] = TGradGauge::BandRows(k, out.Height);
    const TRgb c = RgbOf(gauge.BandColour(k));
    for (int32_t y = top; y < bottom && y < out.Height; ++y)
      for (int32_t x = 0; x < out.Width; ++x) {
        uint8_t* p = out.At(x, y);
        p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = 255;
      }
  }
  return out;
}
