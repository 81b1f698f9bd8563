// Memos and rich edits: a document (SE_RichText.h) laid out in lines with word wrap,
// in a white box with an optional single border. A rich edit scrolls with a vertical
// scroll bar that shows when the text is longer than the box; a memo has none (the
// mouse wheel still scrolls it). Both show the text read-only.
//
// A memo shows its text in its font. A rich edit shows whichever came last: its text
// (plain, in its font) or the document its "file" line loaded, whose bytes pass
// through "RETL.temp" in the user's temporary folder on the way.
#include "ui/fltk/SE_FltkDraw.h"

#include <FL/Fl.H>
#include <FL/Fl_Scrollbar.H>

#include <algorithm>

#include "platform/Files.h"
#include "ui/Ggauge.h"
#include "ui/fltk/SE_FltkFonts.h"
#include "ui/fltk/SE_FltkText.h"
#include "ui/fltk/SE_FltkWidgets.h"
#include "ui/fltk/SE_RichText.h"

namespace {

constexpr int kScrollBarWidth = 17;
constexpr int kMargin = 2;    // between the frame and the text
constexpr int kTabStop = 48;  // half an inch at 96 dpi
constexpr TColor kBorderColour = 0xB99D7F;

int PixelsOfTwips(int32_t twips) { return MulDivNearest(twips, 96, 1440); }

struct TFragment {
  int x = 0;  // from the text area's left edge
  std::string text;
  TTextFont font;
  bool underline = false;
};

struct TLine {
  std::vector<TFragment> fragments;
  int top = 0, height = 0, ascent = 0;
};

// One word of a paragraph: its pieces (a style change may fall inside a word) and the
// blanks after it; or a tab, or a forced line break.
struct TWord {
  std::vector<std::pair<std::u16string, TTextFont>> pieces;
  std::vector<bool> underline;
  std::u16string blanks;
  TTextFont blankFont;
  bool tab = false, lineBreak = false;
};

class TLayout {
 public:
  TLayout(const TControl& control, int width) : control_(control), width_(std::max(width, 1)) {}

  std::vector<TLine> Lay(const TRichDocument& doc) {
    for (const TRichParagraph& p : doc.Paragraphs) LayParagraph(p, doc.IsRichText);
    return std::move(lines_);
  }
  int Height() const { return y_; }

 private:
  TTextFont FontOf(const TRichStyle& s, bool rich) const {
    const TFontSpec& base = control_.Font();
    if (!rich) return TextFontOf(base);
    TTextFont f;
    f.font = FltkFont(s.Face.empty() ? base.Face : s.Face, s.Bold, s.Italic);
    f.size = s.HalfPoints > 0 ? std::max(MulDivNearest(s.HalfPoints, 96, 144), 1) : PixelsOfPoints(base.Size);
    f.colour = s.Colour ? FltkColour(s.Colour->r, s.Colour->g, s.Colour->b) : FltkColour(base.Colour);
    return f;
  }

  std::vector<TWord> Words(const TRichParagraph& p, bool rich) {
    std::vector<TWord> words(1);
    for (const TRichRun& run : p.Runs) {
      const TTextFont font = FontOf(run.Style, rich);
      lastFont_ = font;
      for (const char16_t c : run.Text) {
        if (c == u'\t' || c == u'\n') {
          words.emplace_back();
          words.back().tab = c == u'\t';
          words.back().lineBreak = c == u'\n';
          words.back().blankFont = font;
          words.emplace_back();
        } else if (c == u' ') {
          words.back().blanks.push_back(c);
          words.back().blankFont = font;
        } else {
          if (!words.back().blanks.empty() || words.back().tab) words.emplace_back();
          TWord& w = words.back();
          if (w.pieces.empty() || w.pieces.back().second.font != font.font ||
              w.pieces.back().second.size != font.size || w.pieces.back().second.colour != font.colour ||
              w.underline.back() != (rich && run.Style.Underline)) {
            w.pieces.push_back({u"", font});
            w.underline.push_back(rich && run.Style.Underline);
          }
          w.pieces.back().first.push_back(c);
        }
      }
    }
    return words;
  }

  static int Width(const std::u16string& text, const TTextFont& font) {
    if (text.empty()) return 0;
    fl_font(font.font, font.size);
    const std::string utf8 = Utf8Of(text);
    return static_cast<int>(fl_width(utf8.c_str(), static_cast<int>(utf8.size())) + 0.5);
  }

  void LayParagraph(const TRichParagraph& p, bool rich) {
    if (rich) lastFont_ = FontOf(p.Runs.empty() ? TRichStyle{} : p.Runs.front().Style, rich);
    else lastFont_ = TextFontOf(control_.Font());
    const int left = PixelsOfTwips(p.LeftIndent);
    const int right = width_ - PixelsOfTwips(p.RightIndent);
    y_ += PixelsOfTwips(p.SpaceBefore);
    const std::vector<TWord> words = Words(p, rich);
    TLine line;
    int x = left + PixelsOfTwips(p.FirstIndent);
    auto finish = [&] {
      Finish(line, p.Align, right);
      line = TLine{};
      x = left;
    };
    for (const TWord& w : words) {
      if (w.lineBreak) {
        finish();
        continue;
      }
      if (w.tab) {
        x = ((x - left) / kTabStop + 1) * kTabStop + left;
        continue;
      }
      int wordWidth = 0;
      for (const auto& piece : w.pieces) wordWidth += Width(piece.first, piece.second);
      if (!line.fragments.empty() && x + wordWidth > right) finish();
      for (size_t i = 0; i < w.pieces.size(); ++i) {
        line.fragments.push_back({x, Utf8Of(w.pieces[i].first), w.pieces[i].second, w.underline[i]});
        x += Width(w.pieces[i].first, w.pieces[i].second);
      }
      x += Width(w.blanks, w.blankFont);
    }
    finish();
    y_ += PixelsOfTwips(p.SpaceAfter);
  }

  void Finish(TLine& line, TRichAlign align, int right) {
    int height = 0, ascent = 0, end = 0;
    if (line.fragments.empty()) {
      fl_font(lastFont_.font, lastFont_.size);
      height = fl_height();
      ascent = height - fl_descent();
    }
    for (const TFragment& f : line.fragments) {
      fl_font(f.font.font, f.font.size);
      height = std::max(height, fl_height());
      ascent = std::max(ascent, fl_height() - fl_descent());
      end = f.x + static_cast<int>(fl_width(f.text.c_str()) + 0.5);
    }
    int shift = 0;
    if (align == TRichAlign::Right) shift = right - end;
    else if (align == TRichAlign::Center) shift = (right - end) / 2;
    for (TFragment& f : line.fragments) f.x += std::max(shift, 0);
    line.top = y_;
    line.height = height;
    line.ascent = ascent;
    y_ += height;
    lines_.push_back(std::move(line));
  }

  const TControl& control_;
  int width_;
  int y_ = 0;
  TTextFont lastFont_;
  std::vector<TLine> lines_;
};

// The rich edit's document as the control loads it: through "RETL.temp".
TRichDocument DocumentThroughTempFile(const std::vector<uint8_t>& bytes) {
  const std::string path = platform::TempFolder() + "\\RETL.temp";
  std::optional<std::vector<uint8_t>> loaded;
  if (platform::WriteFileBytes(path, bytes.data(), bytes.size())) loaded = platform::ReadWholeFile(path);
  platform::DeleteFileAt(path);
  return ReadRichText(loaded ? *loaded : bytes);
}

class TFlTextView : public Fl_Group, public TModelWidget {
 public:
  explicit TFlTextView(TControl& control)
      : Fl_Group(0, 0, 0, 0), TModelWidget(control), scroll_(0, 0, kScrollBarWidth, 10) {
    end();
    resizable(nullptr);
    scroll_.type(FL_VERTICAL);
    scroll_.callback([](Fl_Widget*, void* self) { static_cast<TFlTextView*>(self)->redraw(); }, this);
    scroll_.hide();
    document_ = PlainTextDocument(control.Caption());
  }
  Fl_Widget& Widget() override { return *this; }

  void Apply(TControlChange change) override {
    if (change == TControlChange::Caption) document_ = PlainTextDocument(control_.Caption());
    else if (change == TControlChange::RichText && control_.RichText())
      document_ = DocumentThroughTempFile(*control_.RichText());
    else if (change != TControlChange::Font && change != TControlChange::Border) return;
    laidFor_ = -1;
    redraw();
  }

  void resize(int X, int Y, int W, int H) override {
    Fl_Widget::resize(X, Y, W, H);
    laidFor_ = -1;
  }

  int handle(int event) override {
    if (event == FL_MOUSEWHEEL && Fl::event_dy() != 0 && extent_ > 0) {
      ScrollTo(scroll_.value() + Fl::event_dy() * 3 * LineStep());
      return 1;
    }
    return Fl_Group::handle(event);
  }

  void draw() override {
    const int frame = control_.Border() ? 1 : 0;
    Lay(frame);
    fl_color(FltkColour(clWindow));
    fl_rectf(x(), y(), w(), h());
    if (frame) {
      fl_color(FltkColour(kBorderColour));
      fl_rect(x(), y(), w(), h());
    }
    const int areaX = x() + frame + kMargin, areaY = y() + frame + 1;
    const int areaW = TextWidth(frame), areaH = h() - 2 * frame - 1;
    fl_push_clip(x() + frame, y() + frame, areaW + kMargin * 2, h() - 2 * frame);
    const int top = extent_ > 0 ? scroll_.value() : 0;
    for (const TLine& line : lines_) {
      const int ly = areaY + line.top - top;
      if (ly + line.height < areaY || ly > areaY + areaH) continue;
      for (const TFragment& f : line.fragments) {
        UseFont(f.font);
        const int baseline = ly + line.ascent;
        fl_draw(f.text.c_str(), static_cast<int>(f.text.size()), areaX + f.x, baseline);
        if (f.underline)
          fl_xyline(areaX + f.x, baseline + 1,
                    areaX + f.x + static_cast<int>(fl_width(f.text.c_str()) + 0.5) - 1);
      }
    }
    fl_pop_clip();
    if (scroll_.visible()) draw_child(scroll_);
  }

 private:
  bool Scrolls() const { return control_.Kind() == TControlKind::RichEdit; }

  int TextWidth(int frame) const {
    return w() - 2 * frame - 2 * kMargin - (scroll_.visible() ? kScrollBarWidth : 0);
  }

  int LineStep() const { return lines_.empty() ? 16 : std::max(lines_.front().height, 1); }

  void ScrollTo(int value) {
    scroll_.value(std::clamp(value, 0, std::max(extent_, 0)));
    redraw();
  }

  // Lays the document out for the current width; the scroll bar appears when the
  // text does not fit, which narrows the text, so a rich edit lays out twice then.
  void Lay(int frame) {
    const int innerH = h() - 2 * frame - 1;
    if (laidFor_ == w() * 100000 + h()) return;
    laidFor_ = w() * 100000 + h();
    scroll_.hide();
    TLayout layout(control_, TextWidth(frame));
    lines_ = layout.Lay(document_);
    int height = layout.Height();
    if (Scrolls() && height > innerH) {
      scroll_.show();
      TLayout narrower(control_, TextWidth(frame));
      lines_ = narrower.Lay(document_);
      height = narrower.Height();
      scroll_.resize(x() + w() - frame - kScrollBarWidth, y() + frame, kScrollBarWidth, h() - 2 * frame);
    }
    extent_ = height - innerH;
    if (extent_ > 0) {
      const int value = std::clamp(scroll_.value(), 0, extent_);
      scroll_.value(value, std::max(innerH, 1), 0, height);
      scroll_.linesize(LineStep());
    } else {
      scroll_.value(0);
    }
  }

  Fl_Scrollbar scroll_;
  TRichDocument document_;
  std::vector<TLine> lines_;
  int laidFor_ = -1;
  int extent_ = 0;  // how far the text scrolls
};

}  // namespace

TModelWidgetPtr CreateTextViewWidget(TControl& control) { return std::make_unique<TFlTextView>(control); }
