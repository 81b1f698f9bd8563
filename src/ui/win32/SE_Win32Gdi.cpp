#include "ui/win32/SE_Win32Gdi.h"

#include "platform/CodePage.h"

std::wstring WideOf(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::wstring WideOfAnsi(const std::string& text) { return WideOf(platform::AnsiToWide(text)); }
std::u16string U16Of(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

std::wstring WithCrLf(std::wstring text) {
  std::wstring out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
      out += L"\r\n";
      ++i;
    } else if (c == L'\r' || c == L'\n') {
      out += L"\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::wstring WithoutShortcuts(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    out += c;
    if (c == L'&') out += L'&';
  }
  return out;
}

COLORREF ColourRef(TColor colour) {
  if (colour < 0) return GetSysColor(colour & 0xFF);
  return static_cast<COLORREF>(colour & 0xFFFFFF);
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

TGdiCache::~TGdiCache() {
  for (auto& [key, font] : fonts_) DeleteObject(font);
  for (auto& [key, brush] : brushes_) DeleteObject(brush);
}

HFONT TGdiCache::Font(const TFontSpec& wanted) {
  const auto key = std::make_tuple(wanted.Face, wanted.Size, wanted.Bold);
  if (const auto found = fonts_.find(key); found != fonts_.end()) return found->second;
  const std::wstring face = WideOfAnsi(wanted.Face);
  HFONT font = CreateFontW(-MulDiv(wanted.Size, dpi_, 72), 0, 0, 0, wanted.Bold ? FW_BOLD : FW_NORMAL, FALSE,
                           FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts_[key] = font;
  return font;
}

HBRUSH TGdiCache::Brush(COLORREF colour) {
  if (const auto found = brushes_.find(colour); found != brushes_.end()) return found->second;
  HBRUSH brush = CreateSolidBrush(colour);
  brushes_[colour] = brush;
  return brush;
}

RECT PlacedRect(const TControl& control, int dpi) {
  int x = control.Left(), y = control.Top();
  for (const TControl* p = control.Parent(); p && p->Kind() != TControlKind::Window; p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
  const int w = control.Width() > 0 ? control.Width() : 0;
  const int h = control.Height() > 0 ? control.Height() : 0;
  return RECT{Scaled(x, dpi), Scaled(y, dpi), Scaled(x + w, dpi), Scaled(y + h, dpi)};
}

bool ShownOnScreen(const TControl& control) {
  for (const TControl* c = &control; c && c->Kind() != TControlKind::Window; c = c->Parent())
    if (!c->Visible()) return false;
  return true;
}

bool EnabledOnScreen(const TControl& control) {
  for (const TControl* c = &control; c && c->Kind() != TControlKind::Window; c = c->Parent())
    if (!c->Enabled()) return false;
  return true;
}

TColor BackgroundOf(const TControl& control) {
  return control.Parent() ? control.Parent()->Colour() : clBtnFace;
}
