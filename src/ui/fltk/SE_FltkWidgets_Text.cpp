// Labels, edit boxes and radio buttons.
//
// A label draws its caption from its top-left corner in its font, left-aligned, with
// or without word wrap, clipped to its bounds; it fills its bounds with its parent's
// colour unless it is transparent. With autosize it takes the size of its text (with
// word wrap only its height changes); an empty caption measures as one blank.
// A radio button shows a round mark left of its caption, on its parent's colour.
#include "ui/fltk/SE_FltkDraw.h"

#include <FL/Fl.H>
#include <FL/Fl_Input.H>

#include "platform/CodePage.h"
#include "ui/fltk/SE_FltkFonts.h"
#include "ui/fltk/SE_FltkText.h"
#include "ui/fltk/SE_FltkWidgets.h"

TColor ParentColour(const TControl& control) {
  return control.Parent() ? control.Parent()->Colour() : clBtnFace;
}

namespace {

class TFlLabel : public Fl_Widget, public TModelWidget {
 public:
  explicit TFlLabel(TControl& control) : Fl_Widget(0, 0, 0, 0), TModelWidget(control) {}
  Fl_Widget& Widget() override { return *this; }
  void Apply(TControlChange) override {}
  bool SeeThrough() const override { return control_.Transparent(); }

  std::optional<std::pair<int, int>> OwnSize() override {
    if (!control_.AutoSize()) return std::nullopt;
    UseFont(TextFontOf(control_.Font()));
    std::u16string caption = control_.Caption();
    if (caption.empty()) caption = u" ";
    const bool wrap = control_.WordWrap();
    const std::vector<std::string> lines = BreakLines(Utf8Of(caption), control_.Width(), wrap);
    const int height = static_cast<int>(lines.size()) * fl_height();
    return std::make_pair(wrap ? control_.Width() : WidestLine(lines), height);
  }

  void draw() override {
    fl_push_clip(x(), y(), w(), h());
    if (!control_.Transparent()) {
      fl_color(FltkColour(ParentColour(control_)));
      fl_rectf(x(), y(), w(), h());
    }
    UseFont(TextFontOf(control_.Font()));
    const std::vector<std::string> lines = BreakLines(Utf8Of(control_.Caption()), w(), control_.WordWrap());
    if (active_r()) DrawLines(lines, x(), y(), w(), FL_ALIGN_LEFT);
    else DrawDisabledLines(lines, x(), y(), w(), FL_ALIGN_LEFT);
    fl_pop_clip();
  }
};

// An edit box: what the user types goes to the control at once.
class TFlEdit : public Fl_Input, public TModelWidget {
 public:
  explicit TFlEdit(TControl& control) : Fl_Input(0, 0, 0, 0), TModelWidget(control) {
    when(FL_WHEN_CHANGED);
    callback([](Fl_Widget*, void* self) { static_cast<TFlEdit*>(self)->Typed(); }, this);
    color(FltkColour(clWindow));
    Apply(TControlChange::Font);
    Apply(TControlChange::Caption);
  }
  Fl_Widget& Widget() override { return *this; }

  void Apply(TControlChange change) override {
    if (change == TControlChange::Caption) {
      const std::string text = Utf8Of(control_.Caption());
      if (text != (value() ? value() : "")) value(text.c_str());
    } else if (change == TControlChange::Font) {
      const TTextFont font = TextFontOf(control_.Font());
      textfont(font.font);
      textsize(font.size);
      textcolor(font.colour);
      redraw();
    }
  }

  // With autosize the box is as high as a line of its font and its frame.
  std::optional<std::pair<int, int>> OwnSize() override {
    if (!control_.AutoSize()) return std::nullopt;
    UseFont(TextFontOf(control_.Font()));
    return std::make_pair(control_.Width(), fl_height() + 8);
  }

 private:
  void Typed() { control_.UserSetText(platform::Utf8ToWide(value() ? value() : "")); }
};

class TFlRadio : public Fl_Widget, public TModelWidget {
 public:
  static constexpr int kMark = 13;

  explicit TFlRadio(TControl& control) : Fl_Widget(0, 0, 0, 0), TModelWidget(control) {}
  Fl_Widget& Widget() override { return *this; }
  void Apply(TControlChange) override {}

  int handle(int event) override {
    switch (event) {
      case FL_PUSH:
        if (Fl::visible_focus()) take_focus();
        return 1;
      case FL_RELEASE:
        if (Fl::event_inside(this)) control_.UserCheck();
        return 1;
      case FL_FOCUS:
      case FL_UNFOCUS: redraw(); return 1;
      case FL_KEYBOARD:
        if (Fl::focus() == this && Fl::event_key() == ' ') {
          control_.UserCheck();
          return 1;
        }
        return 0;
      default: return Fl_Widget::handle(event);
    }
  }

  void draw() override {
    fl_push_clip(x(), y(), w(), h());
    fl_color(FltkColour(ParentColour(control_)));
    fl_rectf(x(), y(), w(), h());
    const int my = y() + (h() - kMark) / 2;
    DrawMark(x(), my);
    UseFont(TextFontOf(control_.Font()));
    const std::vector<std::string> lines = BreakLines(Utf8Of(control_.Caption()), 0, false);
    const int textX = x() + kMark + 4;
    const int textY = y() + (h() - static_cast<int>(lines.size()) * fl_height()) / 2;
    if (active_r()) DrawLines(lines, textX, textY, w() - kMark - 4, FL_ALIGN_LEFT);
    else DrawDisabledLines(lines, textX, textY, w() - kMark - 4, FL_ALIGN_LEFT);
    if (Fl::focus() == this && Fl::visible_focus()) {
      fl_color(FltkColour(ParentColour(control_)) == FL_BLACK ? FL_WHITE : FL_BLACK);
      fl_line_style(FL_DOT);
      fl_rect(textX - 1, textY - 1, std::min(WidestLine(lines) + 2, w() - kMark - 3),
              static_cast<int>(lines.size()) * fl_height() + 2);
      fl_line_style(0);
    }
    fl_pop_clip();
  }

 private:
  void DrawMark(int mx, int my) {
    const bool on = active_r();
    fl_color(on ? FL_WHITE : FltkColour(clBtnFace));
    fl_pie(mx, my, kMark, kMark, 0, 360);
    fl_color(FltkColour(0x9C5A1C));  // the frame of a themed radio mark
    fl_arc(mx, my, kMark, kMark, 0, 360);
    if (control_.Checked()) {
      fl_color(on ? FltkColour(0x21A121) : FltkColour(clSystemColor | 16));
      fl_pie(mx + 3, my + 3, kMark - 6, kMark - 6, 0, 360);
    }
  }
};

}  // namespace

TModelWidgetPtr CreateLabelWidget(TControl& control) { return std::make_unique<TFlLabel>(control); }
TModelWidgetPtr CreateEditWidget(TControl& control) { return std::make_unique<TFlEdit>(control); }
TModelWidgetPtr CreateRadioWidget(TControl& control) { return std::make_unique<TFlRadio>(control); }
