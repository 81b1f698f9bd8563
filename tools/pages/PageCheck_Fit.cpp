// Captions measured as the view lays them out, in one language: a caption that needs
// more room than its control has is cut off on the player's screen, and a label that
// sizes itself past the page panel runs out of the window.
#include <algorithm>

#include "PageCheck.h"
#include "lang/ZTI_Language.h"
#include "platform/CodePage.h"
#include "ui/SE_PageRenderer.h"

namespace {

// What a control's frame and marks take from its room for the caption, as the views
// draw them: a radio button's mark and the gap after it, a button's and a panel's edge.
constexpr int32_t kRadioMark = 13 + 4;
constexpr int32_t kButtonEdge = 2 * 3;
constexpr int32_t kPanelEdge = 2 * 2;
// The language button's glyph and the gap before it.
constexpr int32_t kLanguageGlyph = 9 + 4;

struct TRoom {
  int32_t width = 0, height = 0;
};

std::string Size(int32_t w, int32_t h) { return std::to_string(w) + " x " + std::to_string(h); }

class TFitCheck {
 public:
  TFitCheck(TSetCheck& check, std::string language, TPageRenderer& renderer)
      : check_(check), language_(std::move(language)), renderer_(renderer) {}

  void Page(const std::string& page, const TControlParser& parser) {
    page_ = page;
    for (const TControl* control : parser.Controls)
      if (!control->Caption().empty()) Control(*control);
  }

  // The window's buttons with every caption the language gives them: Back, Next
  // (and "Install" on a ready page), Cancel (and "Finish"), and the language's name
  // on the language button.
  void WindowButtons(const TFrmMain& form) {
    page_ = "-";
    const auto button = [&](const TControl& c, uint16_t number, int32_t edge) {
      Caption(c, Languages().GetText(number), {c.Width() - edge, c.Height()});
    };
    button(form.BackButton, 12, kButtonEdge);
    button(form.NextButton, 13, kButtonEdge);
    button(form.CancelButton, 14, kButtonEdge);
    for (const auto& page : form.SEPageControl.Pages) {
      if (page->PageKind == kPageReady) button(form.NextButton, 15, kButtonEdge);
      if (page->PageKind == kPageFinish) button(form.CancelButton, 16, kButtonEdge);
    }
    const TLanguages& tables = Languages();
    if (tables.Languages.size() > 1 && tables.CurrentLanguage >= 0)
      Caption(form.LanguageButton, tables.Languages[static_cast<size_t>(tables.CurrentLanguage)].Name,
              {form.LanguageButton.Width() - kButtonEdge - kLanguageGlyph, form.LanguageButton.Height()});
  }

 private:
  void Control(const TControl& c) {
    using K = TControlKind;
    switch (c.Kind()) {
      case K::Label: return Label(c);
      case K::Radio: return Fixed(c, {c.Width() - kRadioMark, c.Height()}, false);
      case K::Button: return Fixed(c, {c.Width() - kButtonEdge, c.Height()}, false);
      case K::Panel: return Fixed(c, {c.Width() - kPanelEdge, c.Height() - kPanelEdge}, false);
      default: return;
    }
  }

  TTextExtent Measure(const TControl& c, bool wrap) {
    return renderer_.MeasureText(c.Font(), c.Caption(), wrap, c.Width());
  }

  void Label(const TControl& c) {
    if (!c.AutoSize()) return Fixed(c, {c.Width(), c.Height()}, c.WordWrap());
    // A label that sizes itself keeps its width when it wraps and grows downwards;
    // otherwise it takes its text's size.
    const TTextExtent text = Measure(c, c.WordWrap());
    const int32_t width = c.WordWrap() ? c.Width() : text.Width;
    Inside(c, width, text.Height);
  }

  void Fixed(const TControl& c, TRoom room, bool wrap) {
    const TTextExtent text = Measure(c, wrap);
    if (text.Width > room.width || text.Height > room.height) TooSmall(c, c.Caption(), text, room);
    Inside(c, c.Width(), c.Height());
  }

  // A caption the window gives a control of its own (one line, no wrap).
  void Caption(const TControl& c, const std::u16string& caption, TRoom room) {
    const TTextExtent text = renderer_.MeasureText(c.Font(), caption, false, 0);
    if (text.Width > room.width || text.Height > room.height) TooSmall(c, caption, text, room);
  }

  void TooSmall(const TControl& c, const std::u16string& caption, TTextExtent text, TRoom room) {
    check_.Add("error", language_, page_, c.Name(),
               "the caption needs " + Size(text.Width, text.Height) + " pixels and has " +
                   Size(std::max(room.width, 0), std::max(room.height, 0)) + ": \"" +
                   platform::WideToUtf8(caption) + "\"");
  }

  // The control as drawn must stay on its parent (the page panel).
  void Inside(const TControl& c, int32_t width, int32_t height) {
    const TControl* parent = c.Parent();
    if (!parent) return;
    const int32_t right = c.Left() + width, bottom = c.Top() + height;
    if (c.Left() >= 0 && c.Top() >= 0 && right <= parent->Width() && bottom <= parent->Height()) return;
    check_.Add("error", language_, page_, c.Name(),
               "the caption runs outside the window: it takes " + std::to_string(c.Left()) + ", " +
                   std::to_string(c.Top()) + " to " + std::to_string(right) + ", " + std::to_string(bottom) +
                   " on a page of " + Size(parent->Width(), parent->Height()) + ": \"" +
                   platform::WideToUtf8(c.Caption()) + "\"");
  }

  TSetCheck& check_;
  std::string language_;
  TPageRenderer& renderer_;
  std::string page_;
};

}  // namespace

void CheckCaptionsFit(TSetCheck& check, const TFrmMain& form, const std::string& language,
                      TPageRenderer& renderer) {
  TFitCheck fit(check, language, renderer);
  const TSEPageControl& pages = form.SEPageControl;
  for (size_t n = 0; n < pages.Pages.size(); ++n)
    fit.Page(PageLabel(check.set.FirstNumber + static_cast<int32_t>(n), pages.Pages[n]->PageKind),
             *pages.Pages[n]);
  fit.WindowButtons(form);
}
