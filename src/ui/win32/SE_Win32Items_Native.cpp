// The native items: edit boxes, buttons, the language button, radio buttons, memos
// and rich edits, as the system's own controls.
//
// The language button is drawn by the view (owner-drawn): its caption and, 4 pixels
// to its right, a 9 x 6 glyph, a black downward triangle of rows 7, 5, 3 and 1
// pixels wide with an empty row above and below; caption and glyph together centred.
// A rich edit shows whichever came last: its text, or the document its "file" line
// loaded, streamed in with EM_STREAMIN (rich text read by the control itself, other
// bytes as plain text).
#include "ui/win32/SE_Win32Items.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <string>

#ifndef MSFTEDIT_CLASS
#define MSFTEDIT_CLASS L"RICHEDIT50W"
#endif

TWinItem::~TWinItem() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void TWinItem::MakeWindow(const wchar_t* cls, DWORD style, DWORD exStyle, const std::wstring& text, int id) {
  hwnd_ = CreateWindowExW(exStyle, cls, text.c_str(), WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0,
                          host_.Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), host_.Instance,
                          nullptr);
  ApplyFont();
}

void TWinItem::ApplyFont() {
  if (hwnd_)
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(host_.Gdi->Font(control_.Font())), TRUE);
}

namespace {

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

class TEditItem : public TWinItem {
 public:
  TEditItem(TControl& c, const TItemHost& h, int id) : TWinItem(c, h) {
    MakeWindow(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, WideOf(c.Caption()), id);
  }
  void Apply(TControlChange change) override {
    if (change == TControlChange::Font) ApplyFont();
    if (change != TControlChange::Caption) return;
    const std::wstring text = WideOf(control_.Caption());
    if (text == WindowText(hwnd_)) return;
    setting_ = true;
    SetWindowTextW(hwnd_, text.c_str());
    setting_ = false;
  }
  void Command(WORD code) override {
    if (code == EN_CHANGE && !setting_) control_.UserSetText(U16Of(WindowText(hwnd_)));
  }
  HBRUSH ControlColour(HDC dc) override {
    SetTextColor(dc, ColourRef(control_.Font().Colour));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return host_.Gdi->Brush(GetSysColor(COLOR_WINDOW));
  }
  // With autosize the box is as high as a line of its font and its frame.
  std::optional<SIZE> OwnSize() override {
    if (!control_.AutoSize()) return std::nullopt;
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, host_.Gdi->Font(control_.Font()));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    return SIZE{host_.Gdi->Scale(control_.Width()), tm.tmHeight + host_.Gdi->Scale(8)};
  }

 private:
  bool setting_ = false;
};

class TButtonItem : public TWinItem {
 public:
  TButtonItem(TControl& c, const TItemHost& h, int id, DWORD style) : TWinItem(c, h) {
    MakeWindow(L"BUTTON", WS_TABSTOP | style, 0, WithoutShortcuts(WideOf(c.Caption())), id);
  }
  void Apply(TControlChange change) override {
    if (change == TControlChange::Font) ApplyFont();
    if (change == TControlChange::Caption) {
      SetWindowTextW(hwnd_, WithoutShortcuts(WideOf(control_.Caption())).c_str());
      InvalidateRect(hwnd_, nullptr, TRUE);
    }
  }
  void Command(WORD code) override {
    if (code == BN_CLICKED) control_.Click();
  }
  bool IsPushButton() const override { return true; }
};

class TLanguageButtonItem : public TButtonItem {
 public:
  static constexpr int kGlyphWidth = 9, kGlyphHeight = 6, kSpacing = 4;
  TLanguageButtonItem(TControl& c, const TItemHost& h, int id) : TButtonItem(c, h, id, BS_OWNERDRAW) {}

  bool DrawItem(const DRAWITEMSTRUCT& d) override {
    HDC dc = d.hDC;
    RECT r = d.rcItem;
    const bool pushed = d.itemState & ODS_SELECTED, enabled = !(d.itemState & ODS_DISABLED);
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    // The glyph and the gaps are laid out at 96 dpi, as the pages are.
    auto S = [this](int v) { return host_.Gdi->Scale(v); };
    const int shift = pushed ? 1 : 0;
    HGDIOBJ old = SelectObject(dc, host_.Gdi->Font(control_.Font()));
    SetBkMode(dc, TRANSPARENT);
    const std::wstring text = WideOf(control_.Caption());
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    const int textW = text.empty() ? 0 : size.cx;
    const int total = textW + (textW ? S(kSpacing) : 0) + S(kGlyphWidth);
    const int left = r.left + (r.right - r.left - total) / 2 + shift;
    RECT textRect{left, r.top + shift, left + textW, r.bottom + shift};
    DrawControlText(dc, text, textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX,
                    ColourRef(control_.Font().Colour), enabled);
    const int gx = left + total - S(kGlyphWidth);
    const int gy = r.top + (r.bottom - r.top - S(kGlyphHeight)) / 2 + shift;
    HBRUSH glyph = host_.Gdi->Brush(enabled ? RGB(0, 0, 0) : GetSysColor(COLOR_BTNSHADOW));
    for (int row = 0; row < 4; ++row) {
      RECT line{gx + S(1 + row), gy + S(1 + row), gx + S(8 - row), gy + S(2 + row)};
      FillRect(dc, &line, glyph);
    }
    if (d.itemState & ODS_FOCUS) {
      RECT focus{r.left + S(4), r.top + S(4), r.right - S(4), r.bottom - S(4)};
      DrawFocusRect(dc, &focus);
    }
    SelectObject(dc, old);
    return true;
  }
};

class TRadioItem : public TWinItem {
 public:
  TRadioItem(TControl& c, const TItemHost& h, int id) : TWinItem(c, h) {
    MakeWindow(L"BUTTON", WS_TABSTOP | BS_RADIOBUTTON, 0, WithoutShortcuts(WideOf(c.Caption())), id);
    Apply(TControlChange::Checked);
  }
  void Apply(TControlChange change) override {
    if (change == TControlChange::Font) ApplyFont();
    if (change == TControlChange::Caption)
      SetWindowTextW(hwnd_, WithoutShortcuts(WideOf(control_.Caption())).c_str());
    if (change == TControlChange::Checked)
      SendMessageW(hwnd_, BM_SETCHECK, control_.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  void Command(WORD code) override {
    if (code == BN_CLICKED) control_.UserCheck();
  }
  HBRUSH ControlColour(HDC dc) override {
    const COLORREF back = ColourRef(BackgroundOf(control_));
    SetTextColor(dc, ColourRef(control_.Font().Colour));
    SetBkColor(dc, back);
    return host_.Gdi->Brush(back);
  }
};

// Memos and rich edits: read-only, white, with a single border when they have one.
class TTextItem : public TWinItem {
 public:
  using TWinItem::TWinItem;
  void Apply(TControlChange change) override {
    if (change == TControlChange::Font) ApplyFont();
    if (change == TControlChange::Caption)
      SetWindowTextW(hwnd_, WithCrLf(WideOf(control_.Caption())).c_str());
    if (change == TControlChange::Border) {
      LONG_PTR ex = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
      ex = control_.Border() ? (ex | WS_EX_CLIENTEDGE) : (ex & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
      SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex);
      SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
  }
  HBRUSH ControlColour(HDC dc) override {
    SetTextColor(dc, ColourRef(control_.Font().Colour));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return host_.Gdi->Brush(GetSysColor(COLOR_WINDOW));
  }

 protected:
  DWORD BorderStyle() const { return control_.Border() ? WS_EX_CLIENTEDGE : 0; }
};

class TMemoItem : public TTextItem {
 public:
  TMemoItem(TControl& c, const TItemHost& h, int id) : TTextItem(c, h) {
    MakeWindow(L"EDIT", WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, BorderStyle(),
               WithCrLf(WideOf(c.Caption())), id);
  }
};

struct TStreamSource {
  const std::vector<uint8_t>* bytes;
  size_t offset = 0;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got) {
  auto* source = reinterpret_cast<TStreamSource*>(cookie);
  const size_t left = source->bytes->size() - source->offset;
  const size_t n = std::min(left, static_cast<size_t>(std::max<LONG>(wanted, 0)));
  std::memcpy(buffer, source->bytes->data() + source->offset, n);
  source->offset += n;
  *got = static_cast<LONG>(n);
  return 0;
}

// Not a known DLL, so loaded by its full path in System32: never looked for beside
// the program, whatever the search order.
HMODULE LoadSystemLibrary(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return LoadLibraryW((std::wstring(folder, length) + L"\\" + name).c_str());
}

class TRichEditItem : public TTextItem {
 public:
  TRichEditItem(TControl& c, const TItemHost& h, int id) : TTextItem(c, h) {
    static const HMODULE library = LoadSystemLibrary(L"msftedit.dll");
    (void)library;  // the control's window class comes with the library
    MakeWindow(MSFTEDIT_CLASS, WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
               BorderStyle(), WithCrLf(WideOf(c.Caption())), id);
  }
  void Apply(TControlChange change) override {
    if (change != TControlChange::RichText) return TTextItem::Apply(change);
    if (!control_.RichText()) return;
    const std::vector<uint8_t>& bytes = *control_.RichText();
    static const char kRtf[] = "{\\rtf";
    const bool rtf = bytes.size() >= 5 && std::equal(kRtf, kRtf + 5, bytes.begin());
    TStreamSource source{&bytes};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = ReadStream;
    SendMessageW(hwnd_, EM_STREAMIN, rtf ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&stream));
    SendMessageW(hwnd_, EM_SETSEL, 0, 0);
    SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0);
  }
};

}  // namespace

TWinItemPtr CreateEditItem(TControl& c, const TItemHost& h, int id) {
  return std::make_unique<TEditItem>(c, h, id);
}
TWinItemPtr CreateButtonItem(TControl& c, const TItemHost& h, int id) {
  return std::make_unique<TButtonItem>(c, h, id, BS_PUSHBUTTON);
}
TWinItemPtr CreateLanguageButtonItem(TControl& c, const TItemHost& h, int id) {
  return std::make_unique<TLanguageButtonItem>(c, h, id);
}
TWinItemPtr CreateRadioItem(TControl& c, const TItemHost& h, int id) {
  return std::make_unique<TRadioItem>(c, h, id);
}
TWinItemPtr CreateMemoItem(TControl& c, const TItemHost& h, int id) {
  return std::make_unique<TMemoItem>(c, h, id);
}
TWinItemPtr CreateRichEditItem(TControl& c, const TItemHost& h, int id) {
  return std::make_unique<TRichEditItem>(c, h, id);
}

TWinItemPtr CreateWinItem(TControl& control, const TItemHost& host, int id) {
  switch (control.Kind()) {
    case TControlKind::Label: return CreateLabelItem(control, host);
    case TControlKind::Image: return CreatePictureItem(control, host);
    case TControlKind::Panel: return CreatePanelItem(control, host);
    case TControlKind::Bevel: return CreateBevelItem(control, host);
    case TControlKind::Gauge: return CreateGaugeItem(control, host);
    case TControlKind::Edit: return CreateEditItem(control, host, id);
    case TControlKind::Button: return CreateButtonItem(control, host, id);
    case TControlKind::BitmapButton: return CreateLanguageButtonItem(control, host, id);
    case TControlKind::Radio: return CreateRadioItem(control, host, id);
    case TControlKind::Memo: return CreateMemoItem(control, host, id);
    case TControlKind::RichEdit: return CreateRichEditItem(control, host, id);
    case TControlKind::ShellTreeView: return CreateFolderTreeItem(control, host, id);
    case TControlKind::Window: break;
  }
  return nullptr;
}
