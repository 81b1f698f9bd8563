#include "ui/fltk/SE_FltkDialogs.h"

#include "ui/fltk/SE_FltkDraw.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>

#include <algorithm>
#include <memory>

#include "platform/CodePage.h"
#include "ui/fltk/SE_FltkFonts.h"
#include "ui/fltk/SE_FltkKeys.h"
#include "ui/fltk/SE_FltkText.h"

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;

namespace {

constexpr int kMargin = 11;
constexpr int kIcon = 32;
constexpr int kButtonW = 75, kButtonH = 23, kButtonGap = 6;
constexpr int kMaxTextWidth = 420;

TTextFont DialogFont() { return TextFontOf(TFontSpec{}); }

// The box's icon, drawn: a blue disc with "?" or "i", a yellow triangle with "!", a
// red disc with a white cross.
void DrawIcon(MessageIcon icon, int x, int y) {
  if (icon == MessageIcon::None) return;
  if (icon == MessageIcon::Warning) {
    fl_color(FltkColour(0x00C8F8));
    fl_polygon(x + kIcon / 2, y + 1, x + kIcon - 1, y + kIcon - 3, x, y + kIcon - 3);
    fl_color(FL_BLACK);
    fl_loop(x + kIcon / 2, y + 1, x + kIcon - 1, y + kIcon - 3, x, y + kIcon - 3);
  } else {
    fl_color(icon == MessageIcon::Error ? FltkColour(0x2020D8) : FltkColour(0xD07830));
    fl_pie(x, y, kIcon, kIcon, 0, 360);
  }
  if (icon == MessageIcon::Error) {
    fl_color(FL_WHITE);
    fl_line_style(FL_SOLID | FL_CAP_ROUND, 3);
    fl_line(x + 10, y + 10, x + 21, y + 21);
    fl_line(x + 21, y + 10, x + 10, y + 21);
    fl_line_style(0);
    return;
  }
  const char* mark = icon == MessageIcon::Question ? "?" : icon == MessageIcon::Warning ? "!" : "i";
  fl_font(FltkFont("Times New Roman", true), 22);
  fl_color(icon == MessageIcon::Warning ? FL_BLACK : FL_WHITE);
  const int tw = static_cast<int>(fl_width(mark));
  fl_draw(mark, x + (kIcon - tw) / 2, y + kIcon - (icon == MessageIcon::Warning ? 6 : 8));
}

// A box's button: Enter presses it when it has the focus, as space does.
class TDialogButton : public Fl_Button {
 public:
  TDialogButton(int x, int y, int w, int h, const char* caption) : Fl_Button(x, y, w, h, caption) {
    clear_flag(SHORTCUT_LABEL);
    labeltype(PlainLabelType());
    labelfont(DialogFont().font);
    labelsize(DialogFont().size);
  }
  int handle(int event) override { return PressOnEnter(*this, event) ? 1 : Fl_Button::handle(event); }
};

class TBoxWindow : public Fl_Double_Window {
 public:
  TBoxWindow(const std::string& text, MessageIcon icon, const std::vector<TBoxButton>& buttons)
      : Fl_Double_Window(100, 100), icon_(icon) {
    end();
    UseFont(DialogFont());
    lines_ = BreakLines(text, kMaxTextWidth, true);
    const int textW = std::max(WidestLine(lines_), 1);
    const int textH = static_cast<int>(lines_.size()) * fl_height();
    const int textX = kMargin + (icon == MessageIcon::None ? 0 : kIcon + kMargin + 1);
    const int contentH = std::max(textH, icon == MessageIcon::None ? 0 : kIcon);
    textY_ = kMargin + (contentH - textH) / 2 + 8;
    textX_ = textX;
    textW_ = textW;
    const int buttonsW = static_cast<int>(buttons.size()) * (kButtonW + kButtonGap) - kButtonGap;
    const int width = std::max(textX + textW + kMargin + 8, buttonsW + 2 * kMargin);
    const int buttonY = kMargin + 16 + contentH + 12;
    size(width, buttonY + kButtonH + kMargin);
    int bx = (width - buttonsW) / 2;
    for (const TBoxButton& b : buttons) {
      Fl_Group::current(nullptr);
      auto button = std::make_unique<TDialogButton>(bx, buttonY, kButtonW, kButtonH, b.caption);
      button->callback(
          [](Fl_Widget* w, void* self) {
            auto* box = static_cast<TBoxWindow*>(self);
            box->answer_ = box->answers_[static_cast<size_t>(box->find(w))];
            box->hide();
          },
          this);
      answers_.push_back(b.result);
      add(button.release());
      bx += kButtonW + kButtonGap;
    }
    color(FltkColour(clBtnFace));
  }

  void draw() override {
    Fl_Double_Window::draw();
    DrawIcon(icon_, kMargin + 1, kMargin + 8);
    UseFont(DialogFont());
    DrawLines(lines_, textX_, textY_, textW_, FL_ALIGN_LEFT);
  }

  MessageResult answer_ = MessageResult::Cancel;
  std::vector<MessageResult> answers_;

 private:
  MessageIcon icon_;
  std::vector<std::string> lines_;
  int textX_ = 0, textY_ = 0, textW_ = 0;
};

}  // namespace

std::vector<TBoxButton> BoxButtons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok: return {{"OK", MessageResult::Ok}};
    case MessageButtons::OkCancel: return {{"OK", MessageResult::Ok}, {"Cancel", MessageResult::Cancel}};
    case MessageButtons::YesNo: return {{"Yes", MessageResult::Yes}, {"No", MessageResult::No}};
    case MessageButtons::RetryCancel:
      return {{"Retry", MessageResult::Retry}, {"Cancel", MessageResult::Cancel}};
  }
  return {{"OK", MessageResult::Ok}};
}

MessageResult ClosedBoxAnswer(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok: return MessageResult::Ok;
    case MessageButtons::YesNo: return MessageResult::No;
    default: return MessageResult::Cancel;
  }
}

MessageResult ShowFltkMessageBox(const std::u16string& text, const std::u16string& caption,
                                 MessageButtons buttons, MessageIcon icon) {
  Fl_Group::current(nullptr);
  TBoxWindow box(Utf8Of(text), icon, BoxButtons(buttons));
  box.copy_label(Utf8Of(caption).c_str());
  box.answer_ = ClosedBoxAnswer(buttons);
  // Escape and the close button both end up here.
  box.callback([](Fl_Widget* w, void*) { w->hide(); });
  box.set_modal();
  CentreOnScreen(box);
  box.show();
  if (box.children() > 0) box.child(0)->take_focus();
  while (box.shown()) Fl::wait();
  return box.answer_;
}

void CentreOnScreen(Fl_Window& window) {
  int x = 0, y = 0, w = 0, h = 0;
  Fl::screen_work_area(x, y, w, h);
  window.position(x + (w - window.w()) / 2, y + (h - window.h()) / 2);
}

TFltkVerifyWindow::TFltkVerifyWindow() : Fl_Double_Window(kWidth, kHeight, "Verifying Contents") {
  end();
  color(FltkColour(clBtnFace));
  CentreOnScreen(*this);
}

void TFltkVerifyWindow::Update(const std::string& status, int32_t position, int32_t max) {
  status_ = status;
  position_ = position;
  max_ = max;
  redraw();
  Fl::flush();
}

void TFltkVerifyWindow::draw() {
  fl_color(color());
  fl_rectf(0, 0, w(), h());
  UseFont(DialogFont());
  DrawLines({"Verifying contents please wait..."}, 8, 8, 305, FL_ALIGN_LEFT);
  DrawLines({platform::AnsiToUtf8(status_)}, 8, 32, 305, FL_ALIGN_LEFT);
  // A smooth bar: a thin frame, the filled share in the selection colour.
  const int bx = 8, by = 48, bw = 305, bh = 16;
  fl_color(FL_WHITE);
  fl_rectf(bx, by, bw, bh);
  fl_color(FltkColour(clSystemColor | 16));
  fl_rect(bx, by, bw, bh);
  if (max_ > 0 && position_ > 0) {
    const int64_t share = std::min<int64_t>(position_, max_);
    const int filled = static_cast<int>((bw - 4) * share / max_);
    fl_color(FltkColour(clSystemColor | 13));
    fl_rectf(bx + 2, by + 2, filled, bh - 4);
  }
}

void ShowFltkDebugListing(const std::vector<std::string>& lines) {
  Fl_Group::current(nullptr);
  // 870 x 600 with the frame the pages were designed with (4 pixels a side and a
  // 26-pixel caption).
  Fl_Double_Window window(862, 566, "Debug");
  Fl_Text_Buffer buffer;
  Fl_Text_Display display(0, 0, window.w(), window.h());
  window.end();
  window.resizable(&display);
  std::string text;
  for (const std::string& line : lines) text += platform::AnsiToUtf8(line) + "\n";
  buffer.text(text.c_str());
  display.buffer(&buffer);
  display.textfont(DialogFont().font);
  display.textsize(DialogFont().size);
  window.set_modal();
  CentreOnScreen(window);
  window.show();
  while (window.shown()) Fl::wait();
  display.buffer(nullptr);
  window.remove(display);
}
