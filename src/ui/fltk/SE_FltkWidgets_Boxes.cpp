// Buttons, the language button, panels and bevels, and the factory that picks a
// widget for a control.
//
// The language button shows its caption and, 4 pixels to its right, a 9 x 6 glyph:
// a black downward triangle of rows 7, 5, 3 and 1 pixels wide with an empty row above
// and below; caption and glyph together are centred on the button.
#include "ui/fltk/SE_FltkDraw.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>

#include "ui/fltk/SE_FltkFonts.h"
#include "ui/fltk/SE_FltkKeys.h"
#include "ui/fltk/SE_FltkText.h"
#include "ui/fltk/SE_FltkWidgets.h"

namespace {

constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clBtnHighlight = clSystemColor | 20;

class TFlButton : public Fl_Button, public TModelWidget {
 public:
  explicit TFlButton(TControl& control) : Fl_Button(0, 0, 0, 0), TModelWidget(control) {
    // "&" in a caption is a character, not the mark of a keyboard shortcut.
    clear_flag(SHORTCUT_LABEL);
    labeltype(PlainLabelType());
    callback([](Fl_Widget*, void* self) { static_cast<TFlButton*>(self)->control_.Click(); }, this);
    Apply(TControlChange::Font);
    Apply(TControlChange::Caption);
  }
  Fl_Widget& Widget() override { return *this; }

  // Enter presses the focused button, as space does.
  int handle(int event) override { return PressOnEnter(*this, event) ? 1 : Fl_Button::handle(event); }

  void Apply(TControlChange change) override {
    if (change == TControlChange::Caption) {
      copy_label(Utf8Of(control_.Caption()).c_str());
    } else if (change == TControlChange::Font) {
      const TTextFont font = TextFontOf(control_.Font());
      labelfont(font.font);
      labelsize(font.size);
      labelcolor(font.colour);
    }
    redraw();
  }
};

class TFlLanguageButton : public TFlButton {
 public:
  static constexpr int kGlyphWidth = 9;
  static constexpr int kGlyphHeight = 6;
  static constexpr int kSpacing = 4;

  // The caption is drawn here, beside the glyph, so FLTK's own label stays empty.
  explicit TFlLanguageButton(TControl& control) : TFlButton(control) {
    label(nullptr);
    Apply(TControlChange::Caption);
  }

  void Apply(TControlChange change) override {
    if (change != TControlChange::Caption) return TFlButton::Apply(change);
    caption_ = Utf8Of(control_.Caption());
    redraw();
  }

  void draw() override {
    Fl_Button::draw();  // the box and the focus frame
    const int shift = value() ? 1 : 0;
    fl_font(labelfont(), labelsize());
    const std::vector<std::string> lines{caption_};
    const int textW = WidestLine(lines);
    const int total = textW + (textW ? kSpacing : 0) + kGlyphWidth;
    const int left = x() + (w() - total) / 2 + shift;
    const int textTop = y() + (h() - fl_height()) / 2 + shift;
    if (active_r()) {
      fl_color(labelcolor());
      DrawLines(lines, left, textTop, textW, FL_ALIGN_LEFT);
    } else {
      DrawDisabledLines(lines, left, textTop, textW, FL_ALIGN_LEFT);
    }
    const int gx = left + total - kGlyphWidth;
    const int gy = y() + (h() - kGlyphHeight) / 2 + shift;
    fl_color(active_r() ? FL_BLACK : FltkColour(clBtnShadow));
    for (int row = 0; row < 4; ++row) fl_xyline(gx + 1 + row, gy + 1 + row, gx + 7 - row);
  }

 private:
  std::string caption_;
};

class TFlPanel : public Fl_Group, public TModelWidget {
 public:
  explicit TFlPanel(TControl& control) : Fl_Group(0, 0, 0, 0), TModelWidget(control) {
    end();
    resizable(nullptr);
    clip_children(1);
  }
  Fl_Widget& Widget() override { return *this; }
  Fl_Group* Container() override { return this; }
  void Apply(TControlChange) override { redraw(); }

  void draw() override {
    if (damage() & ~FL_DAMAGE_CHILD) {
      fl_color(FltkColour(control_.Colour()));
      fl_rectf(x(), y(), w(), h());
      if (control_.Edge() != TEdge::None) {
        fl_color(FltkColour(clBtnHighlight));
        fl_xyline(x(), y(), x() + w() - 1);
        fl_yxline(x(), y(), y() + h() - 1);
        fl_color(FltkColour(clBtnShadow));
        fl_xyline(x(), y() + h() - 1, x() + w() - 1);
        fl_yxline(x() + w() - 1, y(), y() + h() - 1);
      }
      fl_push_clip(x(), y(), w(), h());
      UseFont(TextFontOf(control_.Font()));
      const std::vector<std::string> lines = BreakLines(Utf8Of(control_.Caption()), 0, false);
      const int top = y() + (h() - static_cast<int>(lines.size()) * fl_height()) / 2;
      if (active_r()) DrawLines(lines, x(), top, w(), FL_ALIGN_CENTER);
      else DrawDisabledLines(lines, x(), top, w(), FL_ALIGN_CENTER);
      fl_pop_clip();
    }
    draw_children();
  }
};

class TFlBevel : public Fl_Widget, public TModelWidget {
 public:
  explicit TFlBevel(TControl& control) : Fl_Widget(0, 0, 0, 0), TModelWidget(control) {}
  Fl_Widget& Widget() override { return *this; }
  void Apply(TControlChange) override {}
  bool SeeThrough() const override { return true; }

  void draw() override {
    const int r = x() + w() - 1, b = y() + h() - 1;
    if (w() <= 0 || h() <= 0) return;
    if (control_.Edge() == TEdge::TopLine) {
      fl_color(FltkColour(clBtnShadow));
      fl_xyline(x(), y(), r);
      fl_color(FltkColour(clBtnHighlight));
      fl_xyline(x(), y() + 1, r);
      return;
    }
    // A lowered box: shadow on the top and left, highlight on the bottom and right.
    fl_color(FltkColour(clBtnShadow));
    fl_xyline(x(), y(), r);
    fl_yxline(x(), y(), b);
    fl_color(FltkColour(clBtnHighlight));
    fl_xyline(x(), b, r);
    fl_yxline(r, y(), b);
  }
};

}  // namespace

TModelWidgetPtr CreateButtonWidget(TControl& control) { return std::make_unique<TFlButton>(control); }
TModelWidgetPtr CreateLanguageButtonWidget(TControl& control) {
  return std::make_unique<TFlLanguageButton>(control);
}
TModelWidgetPtr CreatePanelWidget(TControl& control) { return std::make_unique<TFlPanel>(control); }
TModelWidgetPtr CreateBevelWidget(TControl& control) { return std::make_unique<TFlBevel>(control); }

TModelWidgetPtr CreateModelWidget(TControl& control) {
  Fl_Group::current(nullptr);
  switch (control.Kind()) {
    case TControlKind::Label: return CreateLabelWidget(control);
    case TControlKind::Edit: return CreateEditWidget(control);
    case TControlKind::ShellTreeView: return CreateFolderTreeWidget(control);
    case TControlKind::Button: return CreateButtonWidget(control);
    case TControlKind::BitmapButton: return CreateLanguageButtonWidget(control);
    case TControlKind::Image: return CreatePictureWidget(control);
    case TControlKind::Panel: return CreatePanelWidget(control);
    case TControlKind::Bevel: return CreateBevelWidget(control);
    case TControlKind::Memo:
    case TControlKind::RichEdit: return CreateTextViewWidget(control);
    case TControlKind::Gauge: return CreateGaugeWidget(control);
    case TControlKind::Radio: return CreateRadioWidget(control);
    case TControlKind::Window: break;
  }
  return nullptr;
}
