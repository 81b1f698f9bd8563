// The Win32 view's realisation of each model control, one class per control kind.
// Two sorts:
//   painted  labels (also transparent over pictures), pictures, panels, bevels and
//            the gradient gauge: drawn by the page window (the main window's client
//            area, double-buffered) in the model's order, back to front
//   native   edit boxes, buttons, the language button, radio buttons, memos, rich
//            edits and the folder tree: child windows of the main window, in tab
//            order by creation
// Every item reads its properties from its control when told one changed (Apply).
// The view places native items, shows, hides and enables them; items never outlive
// their controls (the view drops them first).
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "ui/SE_Control.h"
#include "ui/win32/SE_Win32Gdi.h"

class TBackBuffer;

// What an item paints on: the back buffer, and the part of it this item may touch.
struct TPaintTarget {
  HDC Dc;
  TBackBuffer& Buffer;
  RECT Clip;
};

// What items need from the view that made them.
struct TItemHost {
  HWND Window = nullptr;  // the main window, parent of every native item
  HINSTANCE Instance = nullptr;
  TGdiCache* Gdi = nullptr;
};

class TWinItem {
 public:
  TWinItem(TControl& control, const TItemHost& host) : control_(control), host_(host) {}
  virtual ~TWinItem();
  TWinItem(const TWinItem&) = delete;
  TWinItem& operator=(const TWinItem&) = delete;

  TControl& Control() const { return control_; }
  // The native child window; null for a painted item.
  HWND Handle() const { return hwnd_; }
  virtual void Apply(TControlChange change) = 0;
  // Painted items: draw into rect (the item's place in device pixels).
  virtual void Paint(TPaintTarget&, const RECT&) {}
  // The size the item gives itself (labels and edit boxes that size themselves), in
  // device pixels; nothing for the control's own size.
  virtual std::optional<SIZE> OwnSize() { return std::nullopt; }
  // The parent's part shows through: the page window paints behind it.
  virtual bool SeeThrough() const { return false; }
  // Notifications of the native window.
  virtual void Command(WORD) {}
  virtual LRESULT Notify(const NMHDR&) { return 0; }
  virtual bool DrawItem(const DRAWITEMSTRUCT&) { return false; }
  // WM_CTLCOLOR*: the background brush (and colours set on dc); null for the default.
  virtual HBRUSH ControlColour(HDC) { return nullptr; }
  // A push button, pressed by Enter when it has the focus.
  virtual bool IsPushButton() const { return false; }

 protected:
  // Makes the native child window with the given class, style and id.
  void MakeWindow(const wchar_t* cls, DWORD style, DWORD exStyle, const std::wstring& text, int id);
  void ApplyFont();

  TControl& control_;
  TItemHost host_;
  HWND hwnd_ = nullptr;
};

using TWinItemPtr = std::unique_ptr<TWinItem>;

// The item of a page or window control (every kind but the window); id numbers its
// native window, if it has one.
TWinItemPtr CreateWinItem(TControl& control, const TItemHost& host, int id);

TWinItemPtr CreateLabelItem(TControl& control, const TItemHost& host);
TWinItemPtr CreatePictureItem(TControl& control, const TItemHost& host);
TWinItemPtr CreatePanelItem(TControl& control, const TItemHost& host);
TWinItemPtr CreateBevelItem(TControl& control, const TItemHost& host);
TWinItemPtr CreateGaugeItem(TControl& control, const TItemHost& host);
TWinItemPtr CreateEditItem(TControl& control, const TItemHost& host, int id);
TWinItemPtr CreateButtonItem(TControl& control, const TItemHost& host, int id);
TWinItemPtr CreateLanguageButtonItem(TControl& control, const TItemHost& host, int id);
TWinItemPtr CreateRadioItem(TControl& control, const TItemHost& host, int id);
TWinItemPtr CreateMemoItem(TControl& control, const TItemHost& host, int id);
TWinItemPtr CreateRichEditItem(TControl& control, const TItemHost& host, int id);
TWinItemPtr CreateFolderTreeItem(TControl& control, const TItemHost& host, int id);

// Text drawn as a disabled control's: a highlight copy one pixel down and right under
// a shadow-coloured one. flags are DrawTextW's.
void DrawControlText(HDC dc, const std::wstring& text, RECT rect, UINT flags, COLORREF colour, bool enabled);
