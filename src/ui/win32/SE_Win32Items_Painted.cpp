// The painted items: labels, pictures, panels, bevels and the gradient gauge.
//
// A label draws its caption from its top-left corner, left-aligned, with or without
// word wrap, on its parent's colour unless it is transparent; with autosize it takes
// the size of its text (with word wrap only its height changes). A panel fills itself
// with its colour, draws a raised edge unless told otherwise and centres its caption.
// A bevel is a lowered box, or a top line (shadow over highlight) above the buttons.
// The gauge is drawn with GDI from the model's arithmetic (Ggauge.h): the border, the
// filled bar (one colour, or the 256-band gradient stretched into it), the rest in
// the back colour and the caption centred.
#include "ui/win32/SE_Win32Items.h"

#include <algorithm>

#include "ui/SE_Picture.h"
#include "ui/win32/SE_Win32Pictures.h"

namespace {

constexpr UINT kLabelFlags = DT_LEFT | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS;

class TPainted : public TWinItem {
 public:
  using TWinItem::TWinItem;
  void Apply(TControlChange) override {}

 protected:
  void UseFont(HDC dc) {
    SelectObject(dc, host_.Gdi->Font(control_.Font()));
    SetBkMode(dc, TRANSPARENT);
  }
  void Fill(HDC dc, const RECT& r, TColor colour) { FillRect(dc, &r, host_.Gdi->Brush(ColourRef(colour))); }
};

class TLabelItem : public TPainted {
 public:
  using TPainted::TPainted;
  bool SeeThrough() const override { return control_.Transparent(); }

  std::optional<SIZE> OwnSize() override {
    if (!control_.AutoSize()) return std::nullopt;
    std::wstring text = WideOf(control_.Caption());
    if (text.empty()) text = L" ";
    HDC dc = GetDC(host_.Window);
    HGDIOBJ old = SelectObject(dc, host_.Gdi->Font(control_.Font()));
    const int width = host_.Gdi->Scale(control_.Width());
    RECT r{0, 0, control_.WordWrap() ? width : 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, Flags() | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(host_.Window, dc);
    return SIZE{control_.WordWrap() ? width : r.right, r.bottom};
  }

  void Paint(TPaintTarget& t, const RECT& rect) override {
    if (!control_.Transparent()) Fill(t.Dc, rect, BackgroundOf(control_));
    UseFont(t.Dc);
    DrawControlText(t.Dc, WideOf(control_.Caption()), rect, Flags(), ColourRef(control_.Font().Colour),
                    EnabledOnScreen(control_));
  }

 private:
  UINT Flags() const { return kLabelFlags | (control_.WordWrap() ? DT_WORDBREAK : 0); }
};

class TPanelItem : public TPainted {
 public:
  using TPainted::TPainted;
  void Paint(TPaintTarget& t, const RECT& rect) override {
    Fill(t.Dc, rect, control_.Colour());
    if (control_.Edge() != TEdge::None) {
      RECT edge = rect;
      DrawEdge(t.Dc, &edge, BDR_RAISEDINNER, BF_RECT);
    }
    UseFont(t.Dc);
    DrawControlText(t.Dc, WideOf(control_.Caption()), rect,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, ColourRef(control_.Font().Colour),
                    EnabledOnScreen(control_));
  }
};

class TBevelItem : public TPainted {
 public:
  using TPainted::TPainted;
  bool SeeThrough() const override { return true; }
  void Paint(TPaintTarget& t, const RECT& rect) override {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
    auto row = [&](int y, int x0, int x1, COLORREF c) {
      RECT r{x0, y, x1, y + 1};
      FillRect(t.Dc, &r, host_.Gdi->Brush(c));
    };
    auto column = [&](int x, int y0, int y1, COLORREF c) {
      RECT r{x, y0, x + 1, y1};
      FillRect(t.Dc, &r, host_.Gdi->Brush(c));
    };
    if (control_.Edge() == TEdge::TopLine) {
      row(rect.top, rect.left, rect.right, shadow);
      row(rect.top + 1, rect.left, rect.right, light);
      return;
    }
    row(rect.top, rect.left, rect.right, shadow);
    column(rect.left, rect.top, rect.bottom, shadow);
    row(rect.bottom - 1, rect.left, rect.right, light);
    column(rect.right - 1, rect.top, rect.bottom, light);
  }
};

class TPictureItem : public TPainted {
 public:
  using TPainted::TPainted;
  bool SeeThrough() const override { return true; }

  void Apply(TControlChange change) override {
    switch (change) {
      case TControlChange::Picture: Load(); break;
      case TControlChange::Tile:
        if (control_.Tiled() && !picture_.Empty()) {
          picture_ = ComposeTiles(picture_, control_.TileWidth(), control_.TileHeight());
          isBitmap_ = true;  // the tiling is a bitmap of its own
          shown_ = TPixels();
        }
        break;
      case TControlChange::Transparent:
      case TControlChange::Stretch:
      case TControlChange::Center:
      case TControlChange::Bounds: shown_ = TPixels(); break;
      default: break;
    }
  }

  void Paint(TPaintTarget& t, const RECT& rect) override {
    const int cw = rect.right - rect.left, ch = rect.bottom - rect.top;
    if (picture_.Empty() || cw <= 0 || ch <= 0) return;
    const int dpi = host_.Gdi->Dpi();
    const int pw = Scaled(picture_.Width, dpi), ph = Scaled(picture_.Height, dpi);
    const TPictureRect r = PictureDestRect(cw, ch, pw, ph, control_.Stretch(), control_.Center());
    if (shown_.Empty() || shown_.Width != r.Width || shown_.Height != r.Height) Prepare(r.Width, r.Height);
    RECT clip{std::max(t.Clip.left, rect.left), std::max(t.Clip.top, rect.top),
              std::min(t.Clip.right, rect.right), std::min(t.Clip.bottom, rect.bottom)};
    t.Buffer.Blend(shown_, rect.left + r.Left, rect.top + r.Top, clip);
  }

 private:
  void Load() {
    picture_ = TPixels();
    isBitmap_ = false;
    if (control_.Picture())
      if (std::optional<TDecodedPicture> decoded =
              DecodePicture(control_.PictureName(), *control_.Picture())) {
        picture_ = std::move(decoded->Pixels);
        isBitmap_ = decoded->Format == TPictureFormat::Bmp;
      }
    shown_ = TPixels();
  }

  void Prepare(int width, int height) {
    shown_ = picture_;
    if (control_.Transparent() && isBitmap_) ApplyColourKey(shown_);
    if (width != shown_.Width || height != shown_.Height) shown_ = ScaleNearest(shown_, width, height);
  }

  TPixels picture_;  // what the control shows, before scaling
  bool isBitmap_ = false;
  TPixels shown_;  // scaled and keyed
};

class TGaugeItem : public TPainted {
 public:
  using TPainted::TPainted;
  bool SeeThrough() const override { return true; }
  void Apply(TControlChange change) override {
    if (change == TControlChange::Gauge) gradient_ = TPixels();
  }

  void Paint(TPaintTarget& t, const RECT& rect) override {
    const TGradGauge& g = *control_.Gauge();
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;
    if (W <= 0 || H <= 0) return;
    x_ = rect.left;
    y_ = rect.top;
    DrawBorder(t.Dc, g, W, H);
    const int f = g.FilledWidth(W);
    if (f > 0 && H > 3) {
      if (g.Color1() == g.Color2()) {
        Fill(t.Dc, RECT{x_ + 2, y_ + 2, x_ + 2 + f, y_ + H - 1}, g.Color1());
      } else {
        DrawGradient(t, g, f, H - 3);
      }
    }
    if (g.Percentage() < 100 && W - 3 - f > 0 && H > 3)
      Fill(t.Dc, RECT{x_ + f + 2, y_ + 2, x_ + W - 1, y_ + H - 1}, g.Backcolor());
    UseFont(t.Dc);
    SetTextColor(t.Dc, ColourRef(control_.Font().Colour));
    const std::wstring caption = WideOfAnsi(g.Caption());
    RECT r = rect;
    DrawTextW(t.Dc, caption.c_str(), static_cast<int>(caption.size()), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

 private:
  // Pixel (px, py) to (qx, qy) of the control, both ends included.
  void Line(HDC dc, COLORREF c, int px, int py, int qx, int qy) {
    RECT r{x_ + std::min(px, qx), y_ + std::min(py, qy), x_ + std::max(px, qx) + 1,
           y_ + std::max(py, qy) + 1};
    FillRect(dc, &r, host_.Gdi->Brush(c));
  }

  void DrawBorder(HDC dc, const TGradGauge& g, int W, int H) {
    const COLORREF border = ColourRef(g.BorderColor()), white = RGB(255, 255, 255);
    if (g.BorderStyle() == TggBorderStyle::ggSolid) {
      Line(dc, border, 1, 1, W - 1, 1);
      Line(dc, border, 1, H - 1, W - 1, H - 1);
      Line(dc, border, 1, 1, 1, H - 1);
      Line(dc, border, W - 1, 1, W - 1, H - 1);
      return;
    }
    const bool raised = g.BorderStyle() == TggBorderStyle::ggRaised;
    Line(dc, raised ? white : border, 1, H - 1, 1, 2);
    Line(dc, raised ? white : border, 1, 1, W - 2, 1);
    Line(dc, raised ? border : white, W - 1, 1, W - 1, H - 2);
    Line(dc, raised ? border : white, W - 1, H - 1, 1, H - 1);
  }

  void DrawGradient(TPaintTarget& t, const TGradGauge& g, int width, int height) {
    if (gradient_.Empty()) {
      gradient_ = GaugeGradient(g);
      bar_ = TPixels();
    }
    if (bar_.Width != width || bar_.Height != height) bar_ = ScaleNearest(gradient_, width, height);
    t.Buffer.Blend(bar_, x_ + 2, y_ + 2, t.Clip);
  }

  int x_ = 0, y_ = 0;
  TPixels gradient_, bar_;
};

}  // namespace

void DrawControlText(HDC dc, const std::wstring& text, RECT rect, UINT flags, COLORREF colour, bool enabled) {
  if (text.empty()) return;
  const int n = static_cast<int>(text.size());
  if (!enabled) {
    RECT moved{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextW(dc, text.c_str(), n, &moved, flags);
    colour = GetSysColor(COLOR_BTNSHADOW);
  }
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), n, &rect, flags);
}

TWinItemPtr CreateLabelItem(TControl& c, const TItemHost& h) { return std::make_unique<TLabelItem>(c, h); }
TWinItemPtr CreatePictureItem(TControl& c, const TItemHost& h) {
  return std::make_unique<TPictureItem>(c, h);
}
TWinItemPtr CreatePanelItem(TControl& c, const TItemHost& h) { return std::make_unique<TPanelItem>(c, h); }
TWinItemPtr CreateBevelItem(TControl& c, const TItemHost& h) { return std::make_unique<TBevelItem>(c, h); }
TWinItemPtr CreateGaugeItem(TControl& c, const TItemHost& h) { return std::make_unique<TGaugeItem>(c, h); }
