// The gradient gauge on screen. With W x H the control's size, in control pixels
// (right and bottom edges exclusive, as rectangles are on the system the pages come
// from):
//
//   border     ggSolid: the outline of (1, 1)-(W, H): rows 1 and H-1, columns 1 and
//              W-1. ggRaised: white up column 1 from row H-1 to row 2 and along row 1
//              to column W-2, then BorderColor down column W-1 (rows 1..H-2) and back
//              along row H-1 (columns W-1..1). ggLowered: the same, colours swapped.
//              Row 0 and column 0 are left to the parent.
//   bar        f = FilledWidth(W) columns from column 2, rows 2..H-2: Color1 when the
//              two colours are equal, else the 200 x 35 gradient stretched into it
//   remainder  when the percentage is below 100, columns f+2..W-2, rows 2..H-2 in
//              Backcolor (a rectangle without outline leaves the border's last column
//              and row alone)
//   caption    in the control's font, on one line, centred in (0, 0, W, H)

#include "ui/fltk/SE_FltkDraw.h"

#include "ui/fltk/SE_FltkFonts.h"
#include "ui/fltk/SE_FltkImages.h"
#include "ui/fltk/SE_FltkText.h"
#include "ui/fltk/SE_FltkWidgets.h"

namespace {

class TFlGauge : public Fl_Widget, public TModelWidget {
 public:
  explicit TFlGauge(TControl& control) : Fl_Widget(0, 0, 0, 0), TModelWidget(control) {}
  Fl_Widget& Widget() override { return *this; }
  bool SeeThrough() const override { return true; }
  void Apply(TControlChange change) override {
    if (change == TControlChange::Gauge) gradientFor_.reset();
  }

  void draw() override {
    const TGradGauge& g = *control_.Gauge();
    const int W = w(), H = h();
    if (W <= 0 || H <= 0) return;
    fl_push_clip(x(), y(), W, H);
    DrawBorder(g, W, H);
    const int f = g.FilledWidth(W);
    if (f > 0 && H > 3) {
      if (g.Color1() == g.Color2()) {
        fl_color(FltkColour(g.Color1()));
        fl_rectf(x() + 2, y() + 2, f, H - 3);
      } else {
        DrawGradient(g, f, H - 3);
      }
    }
    if (g.Percentage() < 100 && W - 3 - f > 0 && H > 3) {
      fl_color(FltkColour(g.Backcolor()));
      fl_rectf(x() + f + 2, y() + 2, W - 3 - f, H - 3);
    }
    UseFont(TextFontOf(control_.Font()));
    const std::vector<std::string> line{g.Caption()};
    DrawLines(line, x(), y() + (H - fl_height()) / 2, W, FL_ALIGN_CENTER);
    fl_pop_clip();
  }

 private:
  // Pixel (px, py) to (qx, qy) of the control, both ends included.
  void Line(int px, int py, int qx, int qy) { fl_line(x() + px, y() + py, x() + qx, y() + qy); }

  void DrawBorder(const TGradGauge& g, int W, int H) {
    const Fl_Color border = FltkColour(g.BorderColor());
    if (g.BorderStyle() == TggBorderStyle::ggSolid) {
      fl_color(border);
      fl_rect(x() + 1, y() + 1, W - 1, H - 1);
      return;
    }
    const bool raised = g.BorderStyle() == TggBorderStyle::ggRaised;
    fl_color(raised ? FL_WHITE : border);
    Line(1, H - 1, 1, 2);
    Line(1, 1, W - 2, 1);
    fl_color(raised ? border : FL_WHITE);
    Line(W - 1, 1, W - 1, H - 2);
    Line(W - 1, H - 1, 1, H - 1);
  }

  void DrawGradient(const TGradGauge& g, int width, int height) {
    const std::pair<TColor, TColor> colours{g.Color1(), g.Color2()};
    if (!gradientFor_ || *gradientFor_ != colours) {
      gradient_ = GaugeGradient(g);
      gradientFor_ = colours;
      barW_ = barH_ = -1;
    }
    if (barW_ != width || barH_ != height) {
      bar_.Set(ScaleNearest(gradient_, width, height));
      barW_ = width;
      barH_ = height;
    }
    bar_.Draw(x() + 2, y() + 2);
  }

  std::optional<std::pair<TColor, TColor>> gradientFor_;
  TPixels gradient_;
  TScreenImage bar_;
  int barW_ = -1, barH_ = -1;
};

}  // namespace

TModelWidgetPtr CreateGaugeWidget(TControl& control) { return std::make_unique<TFlGauge>(control); }
