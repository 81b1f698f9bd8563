// The gradient gauge: the progress bar of the wizard's progress pages. This is its
// state and arithmetic; a view paints it from these values:
//
//   border     ggSolid: an outline from (1, 1) to (W, H) in BorderColor; ggRaised:
//              white from (1, H) up to (1, 1) and on to (W-1, 1), then BorderColor
//              on to (W-1, H-1) and to (0, H-1); ggLowered: the same, colours swapped
//   bar        FilledWidth(W) pixels from (2, 2) to (f + 2, H - 1): Color1 when both
//              colours are equal, else the 200 x 35 gradient stretched into it
//   remainder  when Percentage() < 100, (f + 2, 2) to (W, H) in Backcolor
//   caption    centred on one line in (0, 0, W, H)
//
// The gradient is 256 horizontal bands (BandRows, BandColour) from Color1 at the top
// to Color2 at the bottom. Every setter does nothing when the value does not change;
// the rest of the rules are at the setters.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "ui/SE_Colour.h"

enum class TggBorderStyle { ggSolid = 0, ggRaised = 1, ggLowered = 2 };

// What a view must do after a change.
enum class TGaugeUpdate {
  PaintNow,    // paint at once (progress and caption changes)
  Invalidate,  // paint when convenient
  Gradient,    // the gradient bitmap was rebuilt (colours changed); paint when convenient
};

// a * b / c in 64 bits, rounded to the nearest integer with halves away from zero; -1
// when c is 0: the system's MulDiv, under a name of its own so that it does not clash
// with the system's declaration on Windows.
int32_t MulDivNearest(int32_t a, int32_t b, int32_t c);

class TGradGauge {
 public:
  static constexpr int kDefaultWidth = 200;
  static constexpr int kDefaultHeight = 40;
  // The gradient bitmap keeps the size the gauge was created with, less 5 pixels of
  // height, and is stretched over the bar.
  static constexpr int kGradientWidth = 200;
  static constexpr int kGradientHeight = 35;

  TGradGauge();

  TColor Backcolor() const { return backcolor_; }
  TColor BorderColor() const { return borderColor_; }
  TggBorderStyle BorderStyle() const { return borderStyle_; }
  TColor Color1() const { return color1_; }
  TColor Color2() const { return color2_; }
  int32_t Min() const { return min_; }
  int32_t Max() const { return max_; }
  int32_t Progress() const { return progress_; }
  const std::string& Caption() const { return caption_; }
  bool Autocaption() const { return autocaption_; }

  void SetBackcolor(TColor value);
  void SetBorderColor(TColor value);
  void SetBorderStyle(TggBorderStyle value);
  void SetColor1(TColor value);
  void SetColor2(TColor value);
  // Ignored when not below Max; Progress is raised to it.
  void SetMin(int32_t value);
  // Ignored when not above Min; Progress is lowered to it.
  void SetMax(int32_t value);
  // Kept within Min..Max; with Autocaption the caption follows.
  void SetProgress(int32_t value);
  // With Autocaption on, the next progress change replaces it.
  void SetCaption(const std::string& value);
  void SetAutocaption(bool value);

  // (Progress - Min) / (Max - Min) * 100, rounded to the nearest integer, halves to even.
  int32_t Percentage() const;
  // The filled part of a bar of this control width: (W - 3) * Percentage() div 100.
  int32_t FilledWidth(int32_t width) const;
  // The caption the gauge computes: the whole part of the exact percentage and "%"
  // (so 99.6 % reads "99%" while the bar is full), "0%" when Max is not above 0.
  std::string AutoCaptionText() const;

  // Band k (0..255) of a gradient bitmap of the given height: its rows, end exclusive.
  static std::pair<int32_t, int32_t> BandRows(int k, int32_t height);
  // Band k's colour ($00BBGGRR): each channel c1 + MulDivNearest(k, c2 - c1, 255) of the two
  // colours after system colours are resolved.
  TColor BandColour(int k) const;

  // Told of every visible change; set by the control that holds the gauge.
  std::function<void(TGaugeUpdate)> OnUpdate;

 private:
  void Update(TGaugeUpdate what);
  void ApplyProgress(int32_t value, bool forced);

  TColor backcolor_ = 0xFFFFFF;
  TColor borderColor_ = 0x876E5A;
  TggBorderStyle borderStyle_ = TggBorderStyle::ggSolid;
  TColor color1_ = 0xD1AA94;
  TColor color2_ = 0xD1AA94;
  int32_t min_ = 0;
  int32_t max_ = 100;
  int32_t progress_ = 0;
  std::string caption_;
  bool autocaption_ = true;
};
