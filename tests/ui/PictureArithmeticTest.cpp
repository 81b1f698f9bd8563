// The picture arithmetic every view shares: tiling, stretching, centring, the
// transparent colour, the formats by name and first bytes, the gauge's gradient.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/Ggauge.h"
#include "ui/SE_Picture.h"

namespace {

// A picture whose every pixel tells where it came from: red = x, green = y.
TPixels Pattern(int32_t w, int32_t h) {
  TPixels p(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* d = p.At(x, y);
      d[0] = static_cast<uint8_t>(x), d[1] = static_cast<uint8_t>(y), d[2] = 7, d[3] = 255;
    }
  return p;
}

TEST(Picture, TilesFillTheBitmapIncludingPartialTilesAtTheEdges) {
  struct Case {
    int32_t w, h, picW, picH;
  };
  for (const Case c : {Case{25, 25, 10, 10}, Case{20, 10, 10, 10}, Case{7, 30, 3, 4}, Case{5, 5, 10, 10}}) {
    const TPixels tiled = ComposeTiles(Pattern(c.picW, c.picH), c.w, c.h);
    ASSERT_EQ(tiled.Width, c.w);
    ASSERT_EQ(tiled.Height, c.h);
    for (int32_t y = 0; y < c.h; ++y)
      for (int32_t x = 0; x < c.w; ++x) {
        const uint8_t* p = tiled.At(x, y);
        ASSERT_EQ(p[0], x % c.picW) << x << "," << y << " of " << c.w << "x" << c.h;
        ASSERT_EQ(p[1], y % c.picH) << x << "," << y;
        ASSERT_EQ(p[3], 255);
      }
  }
}

TEST(Picture, TilingBlendsTransparentPixelsOntoBlack) {
  TPixels pic(1, 1);
  uint8_t* p = pic.At(0, 0);
  p[0] = p[1] = p[2] = 255, p[3] = 128;
  const TPixels tiled = ComposeTiles(pic, 2, 1);
  EXPECT_EQ(tiled.At(1, 0)[0], 128);
  EXPECT_EQ(tiled.At(1, 0)[3], 255);
  EXPECT_TRUE(ComposeTiles(TPixels(), 3, 3).Rgba.size() == 36u);  // no picture: black
}

TEST(Picture, DestinationOfStretchedCentredAndPlainPictures) {
  struct Case {
    int32_t cw, ch, pw, ph;
    bool stretch, center;
    TPictureRect expected;
  };
  const Case cases[] = {
      {100, 50, 40, 20, false, false, {0, 0, 40, 20}},
      {100, 50, 40, 20, false, true, {30, 15, 40, 20}},
      {100, 50, 41, 21, false, true, {29, 14, 41, 21}},
      {30, 20, 41, 31, false, true, {-5, -5, 41, 31}},  // larger: truncated toward zero
      {100, 50, 40, 20, true, false, {0, 0, 100, 50}},
      {100, 50, 400, 200, true, true, {0, 0, 100, 50}},
      {176, 376, 176, 376, false, false, {0, 0, 176, 376}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PictureDestRect(c.cw, c.ch, c.pw, c.ph, c.stretch, c.center), c.expected)
        << c.cw << "x" << c.ch << " " << c.pw << "x" << c.ph << " " << c.stretch << c.center;
}

TEST(Picture, NearestPixelScaling) {
  const TPixels up = ScaleNearest(Pattern(2, 2), 4, 6);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      EXPECT_EQ(up.At(x, y)[0], x / 2);
      EXPECT_EQ(up.At(x, y)[1], y / 3);
    }
  const TPixels down = ScaleNearest(Pattern(8, 8), 2, 2);
  EXPECT_EQ(down.At(1, 1)[0], 4);
  EXPECT_EQ(down.At(1, 1)[1], 4);
  // A bitmap cut at the largest side keeps the full size's scale.
  const TPixels huge = ScaleNearest(Pattern(2, 1), 2 * kMaxPictureSide, 1);
  ASSERT_EQ(huge.Width, kMaxPictureSide);
  EXPECT_EQ(huge.At(kMaxPictureSide - 1, 0)[0], 0);
}

TEST(Picture, ColourKeyIsTheBottomLeftPixel) {
  TPixels p = Pattern(3, 3);
  for (int32_t x = 0; x < 3; ++x) std::copy_n(p.At(0, 2), 4, p.At(x, 0));  // row 0 takes the key
  ApplyColourKey(p);
  for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(p.At(x, 0)[3], 0);
  EXPECT_EQ(p.At(0, 2)[3], 0);
  EXPECT_EQ(p.At(1, 2)[3], 255);
  EXPECT_EQ(p.At(1, 1)[3], 255);
  EXPECT_TRUE(p.HasAlpha());
}

TEST(Picture, FormatsByNameAndByFirstBytes) {
  EXPECT_EQ(FormatOfName("Side.JPG"), TPictureFormat::Jpeg);
  EXPECT_EQ(FormatOfName("a.b.jpeg"), TPictureFormat::Jpeg);
  EXPECT_EQ(FormatOfName("x.Png"), TPictureFormat::Png);
  EXPECT_EQ(FormatOfName("pics\\x.bmp"), TPictureFormat::Bmp);
  EXPECT_EQ(FormatOfName("x.gif"), TPictureFormat::Gif);
  EXPECT_EQ(FormatOfName("x.ico"), TPictureFormat::Unknown);
  EXPECT_EQ(FormatOfName("noextension"), TPictureFormat::Unknown);
  EXPECT_EQ(FormatOfBytes({0xFF, 0xD8, 0xFF, 0xE0}), TPictureFormat::Jpeg);
  EXPECT_EQ(FormatOfBytes({0x89, 'P', 'N', 'G', 13}), TPictureFormat::Png);
  EXPECT_EQ(FormatOfBytes({'B', 'M', 0}), TPictureFormat::Bmp);
  EXPECT_EQ(FormatOfBytes({'B'}), TPictureFormat::Unknown);
}

TEST(Picture, GaugeGradientRunsInBandsFromTheFirstColourToTheSecond) {
  TGradGauge gauge;
  gauge.SetColor1(0x0000FF);  // red
  gauge.SetColor2(0xFF0000);  // blue
  const TPixels g = GaugeGradient(gauge);
  ASSERT_EQ(g.Width, TGradGauge::kGradientWidth);
  ASSERT_EQ(g.Height, TGradGauge::kGradientHeight);
  // 256 bands over 35 rows: the top row is among the first bands, the bottom among the last.
  EXPECT_GE(g.At(0, 0)[0], 240);
  EXPECT_LE(g.At(0, 0)[2], 15);
  EXPECT_LE(g.At(199, g.Height - 1)[0], 15);
  EXPECT_GE(g.At(199, g.Height - 1)[2], 240);
  EXPECT_FALSE(g.HasAlpha());
  for (int32_t y = 1; y < g.Height; ++y) {
    EXPECT_LE(g.At(0, y)[0], g.At(0, y - 1)[0]) << y;  // red only falls
    EXPECT_EQ(g.At(0, y)[0], g.At(150, y)[0]) << y;    // each row is one colour
  }
}

}  // namespace
