// The FLTK view's list choice: the question above a list with one row per item (its
// tab-separated columns aligned), OK and Cancel below. The first item starts chosen;
// a double click or Enter takes the chosen one, Escape or the close button cancels.
// Rows wider than the window scroll sideways.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Return_Button.H>

#include <algorithm>

#include "ui/fltk/SE_FltkDialogs.h"
#include "ui/fltk/SE_FltkDraw.h"
#include "ui/fltk/SE_FltkFonts.h"
#include "ui/fltk/SE_FltkText.h"

namespace {

constexpr int kMargin = 11;
constexpr int kButtonW = 75, kButtonH = 23, kButtonGap = 6;
constexpr int kColumnGap = 16;
constexpr int kMinWidth = 360;
constexpr int kMaxWidth = 760;  // longer rows scroll sideways
constexpr int kMaxVisibleRows = 8;

std::vector<std::string> ColumnsOf(const std::string& item) {
  std::vector<std::string> columns;
  size_t start = 0;
  for (size_t tab = item.find('\t'); tab != std::string::npos; tab = item.find('\t', start)) {
    columns.push_back(item.substr(start, tab - start));
    start = tab + 1;
  }
  columns.push_back(item.substr(start));
  return columns;
}

// The width of each column but the last, measured in the current font; FLTK keeps the
// array, so it ends with 0 and lives as long as the browser.
std::vector<int> ColumnWidths(const std::vector<std::string>& items) {
  std::vector<int> widths;
  for (const std::string& item : items) {
    const std::vector<std::string> columns = ColumnsOf(item);
    if (widths.size() < columns.size()) widths.resize(columns.size(), 0);
    for (size_t i = 0; i < columns.size(); ++i)
      widths[i] = std::max(widths[i], static_cast<int>(fl_width(columns[i].c_str())) + kColumnGap);
  }
  if (!widths.empty()) widths.back() = 0;
  widths.push_back(0);
  return widths;
}

int RowsWidth(const std::vector<int>& widths, const std::vector<std::string>& items) {
  int widest = 0;
  for (const std::string& item : items)
    widest = std::max(widest, static_cast<int>(fl_width(ColumnsOf(item).back().c_str())));
  for (int w : widths) widest += w;
  return widest + 24;  // the frame and the scroll bar
}

class TListChoiceWindow : public Fl_Double_Window {
 public:
  TListChoiceWindow(const std::string& text, const std::vector<std::string>& items)
      : Fl_Double_Window(100, 100) {
    const TTextFont font = TextFontOf(TFontSpec{});
    UseFont(font);
    lines_ = BreakLines(text, 520, true);
    widths_ = ColumnWidths(items);
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Fl::screen_work_area(sx, sy, sw, sh);
    const int width = std::clamp(std::max(WidestLine(lines_), RowsWidth(widths_, items)) + 2 * kMargin,
                                 kMinWidth, std::max(kMinWidth, std::min(kMaxWidth, sw - 40)));
    const int textH = static_cast<int>(lines_.size()) * fl_height();
    const int rows = std::clamp(static_cast<int>(items.size()), 1, kMaxVisibleRows);
    const int listY = kMargin + textH + 8;
    // Room for the rows and for a scroll bar below them.
    const int listH = rows * (fl_height() + 2) + 6 + Fl::scrollbar_size();
    const int buttonY = listY + listH + 12;
    size(width, buttonY + kButtonH + kMargin);

    auto* label = new Fl_Box(kMargin, kMargin, width - 2 * kMargin, textH);
    label->copy_label(JoinedLines().c_str());
    label->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE);
    label->labelfont(font.font);
    label->labelsize(font.size);
    label->labeltype(PlainLabelType());  // "@" and "&" in folder names are text

    list_ = new Fl_Hold_Browser(kMargin, listY, width - 2 * kMargin, listH);
    list_->format_char(0);  // an "@" in a folder name is text, not a format
    list_->column_char('\t');
    list_->column_widths(widths_.data());
    list_->textfont(font.font);
    list_->textsize(font.size);
    for (const std::string& item : items) list_->add(item.c_str());
    if (!items.empty()) list_->select(1);
    list_->callback(
        [](Fl_Widget*, void* self) {
          auto* window = static_cast<TListChoiceWindow*>(self);
          if (Fl::event() == FL_PUSH && Fl::event_clicks() > 0) window->Take();
        },
        this);
    list_->when(FL_WHEN_CHANGED | FL_WHEN_NOT_CHANGED);

    const int buttonsX = (width - (2 * kButtonW + kButtonGap)) / 2;
    // Enter takes the chosen row wherever the focus is.
    Fl_Button* ok = new Fl_Return_Button(buttonsX, buttonY, kButtonW, kButtonH, "OK");
    ok->callback([](Fl_Widget*, void* self) { static_cast<TListChoiceWindow*>(self)->Take(); }, this);
    auto* cancel = new Fl_Button(buttonsX + kButtonW + kButtonGap, buttonY, kButtonW, kButtonH, "Cancel");
    cancel->callback([](Fl_Widget* w, void*) { w->window()->hide(); });
    for (Fl_Button* button : {ok, cancel}) {
      button->labelfont(font.font);
      button->labelsize(font.size);
    }
    end();
    color(FltkColour(clBtnFace));
  }

  void Take() {
    if (list_->value() > 0) chosen_ = static_cast<size_t>(list_->value() - 1);
    if (chosen_) hide();
  }

  std::optional<size_t> chosen_;
  Fl_Hold_Browser* list_ = nullptr;

 private:
  std::string JoinedLines() const {
    std::string joined;
    for (const std::string& line : lines_) joined += (joined.empty() ? "" : "\n") + line;
    return joined;
  }

  std::vector<std::string> lines_;
  std::vector<int> widths_;
};

}  // namespace

std::optional<size_t> ShowFltkListChoice(const std::string& text, const std::string& caption,
                                         const std::vector<std::string>& items) {
  Fl_Group::current(nullptr);
  TListChoiceWindow window(text, items);
  window.copy_label(caption.c_str());
  window.callback([](Fl_Widget* w, void*) { w->hide(); });
  window.set_modal();
  CentreOnScreen(window);
  window.show();
  window.list_->take_focus();
  while (window.shown()) Fl::wait();
  return window.chosen_;
}
