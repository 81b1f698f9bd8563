// The gradient gauge's state and arithmetic.
#include <gtest/gtest.h>

#include <vector>

#include "ui/Ggauge.h"

namespace {

struct GaugeBench {
  TGradGauge gauge;
  std::vector<TGaugeUpdate> updates;
  GaugeBench() {
    gauge.OnUpdate = [this](TGaugeUpdate u) { updates.push_back(u); };
  }
};

}  // namespace

TEST(Gauge, NewGaugeIsEmptyWhiteWithASolidBorder) {
  TGradGauge g;
  EXPECT_EQ(g.Caption(), "0%");
  EXPECT_EQ(g.Percentage(), 0);
  EXPECT_EQ(g.FilledWidth(200), 0);
  EXPECT_EQ(g.Backcolor(), 0xFFFFFF);
  EXPECT_EQ(g.BorderColor(), 0x876E5A);
  EXPECT_EQ(g.BorderStyle(), TggBorderStyle::ggSolid);
  EXPECT_EQ(g.Color1(), 0xD1AA94);
  EXPECT_EQ(g.Color2(), 0xD1AA94);
  EXPECT_EQ(g.Min(), 0);
  EXPECT_EQ(g.Max(), 100);
  EXPECT_TRUE(g.Autocaption());
}

TEST(Gauge, PercentageRoundsHalvesToEvenWhileTheCaptionTruncates) {
  const struct {
    int32_t min, max, progress;
    int32_t percent;
    const char* caption;
    int32_t filledOf203;  // filled width of a 203-pixel control (200 inner pixels)
  } cases[] = {
      {0, 3, 2, 67, "66%", 134},     {0, 1000, 996, 100, "99%", 200},  // 99.6 %: a full bar, "99%"
      {0, 200, 1, 0, "0%", 0},                                         // 0.5 %: halves go to even
      {0, 200, 3, 2, "1%", 4},                                         // 1.5 %
      {0, 200, 5, 2, "2%", 4},                                         // 2.5 %
      {0, 7, 7, 100, "100%", 200},   {-50, 50, 0, 50, "50%", 100},
      {-100, 0, -50, 50, "0%", 100},  // Max not above 0: the caption stays "0%"
      {10, 20, 15, 50, "50%", 100},
  };
  for (const auto& c : cases) {
    TGradGauge g;
    g.SetMin(c.min);  // whichever order the defaults allow
    g.SetMax(c.max);
    g.SetMin(c.min);
    g.SetProgress(c.progress);
    EXPECT_EQ(g.Percentage(), c.percent) << c.min << ".." << c.max << " " << c.progress;
    EXPECT_EQ(g.Caption(), c.caption) << c.min << ".." << c.max << " " << c.progress;
    EXPECT_EQ(g.FilledWidth(203), c.filledOf203) << c.min << ".." << c.max << " " << c.progress;
  }
}

TEST(Gauge, ProgressIsKeptWithinMinAndMax) {
  GaugeBench b;
  b.gauge.SetProgress(150);
  EXPECT_EQ(b.gauge.Progress(), 100);
  EXPECT_EQ(b.gauge.Caption(), "100%");
  EXPECT_EQ(b.gauge.FilledWidth(23), 20);
  b.gauge.SetProgress(-3);
  EXPECT_EQ(b.gauge.Progress(), 0);
  // Each real change paints at once; the same value again does nothing.
  EXPECT_EQ(b.updates, (std::vector<TGaugeUpdate>{TGaugeUpdate::PaintNow, TGaugeUpdate::PaintNow}));
  b.gauge.SetProgress(0);
  EXPECT_EQ(b.updates.size(), 2u);
}

TEST(Gauge, MinAndMaxThatWouldCrossAreIgnored) {
  GaugeBench b;
  b.gauge.SetProgress(80);
  b.gauge.SetMax(0);  // not above Min
  b.gauge.SetMax(-5);
  b.gauge.SetMin(100);  // not below Max
  EXPECT_EQ(b.gauge.Min(), 0);
  EXPECT_EQ(b.gauge.Max(), 100);
  EXPECT_EQ(b.updates.size(), 1u);

  b.gauge.SetMax(40);  // Progress follows it down and the caption is recomputed
  EXPECT_EQ(b.gauge.Progress(), 40);
  EXPECT_EQ(b.gauge.Caption(), "100%");
  b.gauge.SetMin(30);
  b.gauge.SetProgress(35);
  EXPECT_EQ(b.gauge.Caption(), "50%");
  b.gauge.SetMin(38);  // Progress is raised to it
  EXPECT_EQ(b.gauge.Progress(), 38);
  EXPECT_EQ(b.gauge.Caption(), "0%");
}

TEST(Gauge, CaptionStaysWhileAutocaptionIsOff) {
  GaugeBench b;
  b.gauge.SetAutocaption(false);
  b.gauge.SetCaption("Copying");
  b.gauge.SetProgress(50);
  EXPECT_EQ(b.gauge.Caption(), "Copying");
  b.gauge.SetMax(200);
  EXPECT_EQ(b.gauge.Caption(), "Copying");
  b.gauge.SetAutocaption(true);  // switching back computes it at once
  EXPECT_EQ(b.gauge.Caption(), "25%");
  b.gauge.SetCaption("Manual");  // until the next progress change
  EXPECT_EQ(b.gauge.Caption(), "Manual");
  b.gauge.SetProgress(100);
  EXPECT_EQ(b.gauge.Caption(), "50%");
}

TEST(Gauge, ColourChangesRebuildTheGradient) {
  GaugeBench b;
  b.gauge.SetColor1(0xD1AA94);  // unchanged
  b.gauge.SetColor1(0x0000FF);
  b.gauge.SetColor2(0xFF0000);
  b.gauge.SetBackcolor(0x00FF00);
  b.gauge.SetBorderStyle(TggBorderStyle::ggRaised);
  b.gauge.SetBorderColor(0x010203);
  EXPECT_EQ(b.updates, (std::vector<TGaugeUpdate>{TGaugeUpdate::Gradient, TGaugeUpdate::Gradient,
                                                  TGaugeUpdate::Invalidate, TGaugeUpdate::Invalidate,
                                                  TGaugeUpdate::Invalidate}));
}

TEST(Gauge, GradientBandsRunFromColor1ToColor2) {
  TGradGauge g;
  g.SetColor1(0x0000FF);  // red
  g.SetColor2(0xFF0000);  // blue
  EXPECT_EQ(g.BandColour(0), 0x0000FF);
  EXPECT_EQ(g.BandColour(255), 0xFF0000);
  // Band 128: red 255 + MulDivNearest(128, -255, 255) = 127, blue MulDivNearest(128, 255, 255) = 128.
  EXPECT_EQ(g.BandColour(128), 0x80007F);
  // System colours are resolved first: the button face of the standard scheme.
  g.SetColor1(clBtnFace);
  EXPECT_EQ(g.BandColour(0), 0xD8E9EC);

  // The 256 bands tile the bitmap's 35 rows without gaps, top to bottom.
  int32_t next = 0;
  for (int k = 0; k < 256; ++k) {
    const auto [from, to] = TGradGauge::BandRows(k, TGradGauge::kGradientHeight);
    EXPECT_EQ(from, next) << k;
    EXPECT_GE(to, from) << k;
    next = to;
  }
  EXPECT_EQ(next, 35);
  EXPECT_EQ(TGradGauge::BandRows(3, 35), (std::pair<int32_t, int32_t>{0, 1}));  // 105/256 rounds down
  EXPECT_EQ(TGradGauge::BandRows(4, 35), (std::pair<int32_t, int32_t>{1, 1}));  // 140/256 rounds up
}

TEST(Gauge, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDivNearest(1, 1, 2), 1);
  EXPECT_EQ(MulDivNearest(-1, 1, 2), -1);
  EXPECT_EQ(MulDivNearest(1, 1, 3), 0);
  EXPECT_EQ(MulDivNearest(2, 1, 3), 1);
  EXPECT_EQ(MulDivNearest(100000, 100000, 7), 1428571429);  // the product needs 64 bits
  EXPECT_EQ(MulDivNearest(5, -3, 2), -8);
  EXPECT_EQ(MulDivNearest(5, 3, 0), -1);
}
