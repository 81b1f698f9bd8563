// The FLTK view drawing the wizard into pixels: the main window is shown on the
// display (the caller's, or an offscreen one) and drawn again into an image surface,
// so the picture holds what the window holds whether or not it is covered.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include "ui/fltk/SE_FltkDraw.h"

#include <algorithm>

#include "ui/SE_PageRenderer.h"
#include "ui/fltk/SE_FltkCapture.h"
#include "ui/fltk/SE_FltkImages.h"
#include "ui/fltk/SE_FltkText.h"
#include "ui/fltk/SE_FltkView.h"

namespace {

class TFltkPageRenderer : public TPageRenderer {
 public:
  explicit TFltkPageRenderer(std::unique_ptr<TFltkView> view) : view_(std::move(view)) {}

  TWizardView& View() override { return *view_; }

  TPixels CaptureClient() override {
    Fl_Double_Window* window = view_->MainWindow();
    if (!window) return {};
    if (!window->shown()) {
      window->show();
      window->wait_for_expose();
    }
    Fl::flush();
    const TCapturedRgb drawn = DrawWindowToRgb(*window);
    TPixels out(drawn.Width, drawn.Height);
    for (size_t i = 0, o = 0; o < out.Rgba.size() && i + 2 < drawn.Rgb.size(); i += 3, o += 4) {
      std::copy_n(&drawn.Rgb[i], 3, &out.Rgba[o]);
      out.Rgba[o + 3] = 255;
    }
    return out;
  }

  TTextExtent MeasureText(const TFontSpec& font, const std::u16string& text, bool wrap,
                          int32_t wrapWidth) override {
    UseFont(TextFontOf(font));
    const std::vector<std::string> lines = BreakLines(Utf8Of(text), wrapWidth, wrap);
    return {WidestLine(lines), static_cast<int32_t>(lines.size()) * fl_height()};
  }

  bool CanLoadPicture(const std::string& entryName, const std::vector<uint8_t>& bytes) override {
    return LoadPicture(entryName, bytes).has_value();
  }

  void Release() override { view_->DropWindow(); }

 private:
  std::unique_ptr<TFltkView> view_;
};

}  // namespace

std::unique_ptr<TPageRenderer> CreatePageRenderer() {
  std::unique_ptr<TFltkView> view = TFltkView::Create();
  if (!view) return nullptr;
  return std::make_unique<TFltkPageRenderer>(std::move(view));
}
