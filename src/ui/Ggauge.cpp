#include "ui/Ggauge.h"

#include <algorithm>

int32_t MulDivNearest(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t product = static_cast<int64_t>(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const int64_t n = product < 0 ? -product : product;
  const int64_t d = c < 0 ? -static_cast<int64_t>(c) : c;
  const int64_t rounded = (n + d / 2) / d;
  return static_cast<int32_t>(negative ? -rounded : rounded);
}

TGradGauge::TGradGauge() { caption_ = AutoCaptionText(); }

void TGradGauge::Update(TGaugeUpdate what) {
  if (OnUpdate) OnUpdate(what);
}

void TGradGauge::SetBackcolor(TColor value) {
  if (value == backcolor_) return;
  backcolor_ = value;
  Update(TGaugeUpdate::Invalidate);
}

void TGradGauge::SetBorderColor(TColor value) {
  if (value == borderColor_) return;
  borderColor_ = value;
  Update(TGaugeUpdate::Invalidate);
}

void TGradGauge::SetBorderStyle(TggBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  Update(TGaugeUpdate::Invalidate);
}

void TGradGauge::SetColor1(TColor value) {
  if (value == color1_) return;
  color1_ = value;
  Update(TGaugeUpdate::Gradient);
}

void TGradGauge::SetColor2(TColor value) {
  if (value == color2_) return;
  color2_ = value;
  Update(TGaugeUpdate::Gradient);
}

void TGradGauge::SetMin(int32_t value) {
  if (value == min_ || value >= max_) return;
  min_ = value;
  if (progress_ < value) progress_ = value;
  if (autocaption_) ApplyProgress(progress_, true);
  Update(TGaugeUpdate::Invalidate);
}

void TGradGauge::SetMax(int32_t value) {
  if (value == max_ || min_ >= value) return;
  max_ = value;
  if (progress_ > value) progress_ = value;
  if (autocaption_) ApplyProgress(progress_, true);
  Update(TGaugeUpdate::Invalidate);
}

void TGradGauge::SetProgress(int32_t value) { ApplyProgress(value, false); }

void TGradGauge::ApplyProgress(int32_t value, bool forced) {
  value = std::max(std::min(value, max_), min_);
  if (value == progress_ && !forced) return;
  progress_ = value;
  if (autocaption_) caption_ = AutoCaptionText();
  Update(TGaugeUpdate::PaintNow);
}

void TGradGauge::SetCaption(const std::string& value) {
  if (value == caption_) return;
  caption_ = value;
  Update(TGaugeUpdate::PaintNow);
}

void TGradGauge::SetAutocaption(bool value) {
  if (value == autocaption_) return;
  autocaption_ = value;
  if (value) ApplyProgress(progress_, true);
  Update(TGaugeUpdate::Invalidate);
}

int32_t TGradGauge::Percentage() const {
  // Min < Max always holds, so the span is positive and Progress - Min is not negative.
  const int64_t span = static_cast<int64_t>(max_) - min_;
  const int64_t scaled = (static_cast<int64_t>(progress_) - min_) * 100;
  int64_t whole = scaled / span;
  const int64_t twiceRest = (scaled % span) * 2;
  if (twiceRest > span || (twiceRest == span && whole % 2 != 0)) ++whole;
  return static_cast<int32_t>(whole);
}

int32_t TGradGauge::FilledWidth(int32_t width) const {
  return static_cast<int32_t>(static_cast<int64_t>(width - 3) * Percentage() / 100);
}

std::string TGradGauge::AutoCaptionText() const {
  if (max_ <= 0) return "0%";
  const int64_t span = static_cast<int64_t>(max_) - min_;
  const int64_t whole = (static_cast<int64_t>(progress_) - min_) * 100 / span;
  return std::to_string(whole) + "%";
}

std::pair<int32_t, int32_t> TGradGauge::BandRows(int k, int32_t height) {
  return {MulDivNearest(k, height, 256), MulDivNearest(k + 1, height, 256)};
}

TColor TGradGauge::BandColour(int k) const {
  const TRgb a = RgbOf(color1_);
  const TRgb b = RgbOf(color2_);
  auto channel = [k](uint8_t c1, uint8_t c2) {
    return static_cast<uint32_t>(c1 + MulDivNearest(k, c2 - c1, 255));
  };
  return static_cast<TColor>(channel(a.r, b.r) | (channel(a.g, b.g) << 8) | (channel(a.b, b.b) << 16));
}
