// The Win32 view drawing the wizard into pixels: the main window is shown, painted
// with every child at once, and its client area copied from the window's own device
// context into a 32-bit DIB. Texts are measured with the fonts the view draws with,
// as its labels measure themselves (DrawTextW with DT_CALCRECT), in layout pixels.
#include "ui/SE_PageRenderer.h"
#include "ui/win32/SE_Win32Gdi.h"
#include "ui/win32/SE_Win32Pictures.h"
#include "ui/win32/SE_Win32View.h"

namespace {

constexpr UINT kLabelFlags = DT_LEFT | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS;

// A device context of the screen for the time it is used.
class TScreenDc {
 public:
  TScreenDc() : dc_(GetDC(nullptr)) {}
  ~TScreenDc() { ReleaseDC(nullptr, dc_); }
  TScreenDc(const TScreenDc&) = delete;
  TScreenDc& operator=(const TScreenDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// The client area's pixels, read through a top-down 32-bit DIB.
TPixels CopyClient(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  TPixels out(client.right, client.bottom);
  if (out.Empty()) return out;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = out.Width;
  info.bmiHeader.biHeight = -out.Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC source = GetDC(window);
  HDC memory = CreateCompatibleDC(source);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, out.Width, out.Height, source, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* bgra = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < out.Rgba.size(); i += 4) {
      out.Rgba[i] = bgra[i + 2];
      out.Rgba[i + 1] = bgra[i + 1];
      out.Rgba[i + 2] = bgra[i];
      out.Rgba[i + 3] = 255;
    }
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, source);
  return out;
}

class TWin32PageRenderer : public TPageRenderer {
 public:
  explicit TWin32PageRenderer(std::unique_ptr<TWin32View> view) : view_(std::move(view)) {}

  TWizardView& View() override { return *view_; }

  TPixels CaptureClient() override {
    HWND window = view_->MainWindow();
    if (!window) return {};
    // On top at the screen's corner, so that nothing covers what is copied.
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    view_->ProcessMessages();
    return CopyClient(window);
  }

  TTextExtent MeasureText(const TFontSpec& font, const std::u16string& text, bool wrap,
                          int32_t wrapWidth) override {
    TGdiCache& gdi = view_->Gdi();
    const std::wstring wide = WithCrLf(WideOf(text));
    TScreenDc dc;
    HGDIOBJ old = SelectObject(dc.Get(), gdi.Font(font));
    RECT r{0, 0, wrap ? gdi.Scale(wrapWidth) : 0, 0};
    DrawTextW(dc.Get(), wide.c_str(), static_cast<int>(wide.size()), &r,
              kLabelFlags | DT_CALCRECT | (wrap ? DT_WORDBREAK : 0));
    SelectObject(dc.Get(), old);
    return {gdi.Unscale(r.right), gdi.Unscale(r.bottom)};
  }

  bool CanLoadPicture(const std::string& entryName, const std::vector<uint8_t>& bytes) override {
    return DecodePicture(entryName, bytes).has_value();
  }

  void Release() override { view_->DropWindow(); }

 private:
  std::unique_ptr<TWin32View> view_;
};

}  // namespace

std::unique_ptr<TPageRenderer> CreatePageRenderer() {
  std::unique_ptr<TWin32View> view = TWin32View::Create();
  if (!view) return nullptr;
  return std::make_unique<TWin32PageRenderer>(std::move(view));
}
