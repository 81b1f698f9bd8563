#include "ui/win32/SE_Win32View.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>

#include "platform/SystemInfo.h"
#include "ui/FormMain.h"
#include "ui/SE_ScreenView.h"
#include "ui/SE_UiDialogs.h"
#include "ui/SE_UiQueue.h"
#include "ui/VerifyForm.h"
#include "ui/win32/SE_Win32Windows.h"

namespace {

const wchar_t kMainClass[] = L"SEWizardWindow";
const wchar_t kWakeClass[] = L"SEWizardWake";
constexpr UINT kWakeMessage = WM_APP;
constexpr UINT kFixFocusMessage = WM_APP + 1;
constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

bool Overlaps(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

RECT Intersection(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

}  // namespace

std::unique_ptr<TWizardView> CreateScreenView(std::optional<std::string> directory) {
  return TWin32View::Create(std::move(directory));
}

std::unique_ptr<TWin32View> TWin32View::Create(std::optional<std::string> directory) {
  auto view = std::make_unique<TWin32View>(TKey{}, GetModuleHandleW(nullptr));
  if (!view->MakeWakeWindow()) return nullptr;
  view->directory_ = std::move(directory);
  return view;
}

TWin32View::TWin32View(TKey, HINSTANCE instance)
    : instance_(instance), gdi_(ScreenDpi()), wakePending_(std::make_shared<std::atomic<bool>>(false)) {
  // Pictures (WIC) and the shell's icons want COM on this thread.
  comReady_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  INITCOMMONCONTROLSEX controls{sizeof(controls),
                                ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  UiQueue().SetUiThread();
}

TWin32View::~TWin32View() {
  UiQueue().SetWakeHook({});
  TearDown();
  verify_.reset();
  if (wake_) DestroyWindow(wake_);
  if (comReady_) CoUninitialize();
}

bool TWin32View::MakeWakeWindow() {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = WakeProc;
  cls.hInstance = instance_;
  cls.lpszClassName = kWakeClass;
  RegisterClassExW(&cls);
  // A top-level window that is never shown: its making fails where there is no
  // display, which tells the program to run unattended.
  wake_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWakeClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                          instance_, nullptr);
  if (!wake_) return false;
  SetWindowLongPtrW(wake_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  UiQueue().SetWakeHook([flag = wakePending_, hwnd = wake_] {
    // One wake is enough until the loop has looked at the queue again.
    if (!flag->exchange(true)) PostMessageW(hwnd, kWakeMessage, 0, 0);
  });
  return true;
}

LRESULT CALLBACK TWin32View::WakeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kWakeMessage) {
    // The loop drains the queue next; a wake that arrives inside a modal loop (a
    // message box) lets the queue wait for it.
    if (auto* self = reinterpret_cast<TWin32View*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
      self->wakePending_->store(false);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void TWin32View::InstallHandlers() {
  platform::SetMessageBoxHandler(
      UiThreadMessageBoxHandler([this](const std::u16string& text, const std::u16string& caption,
                                       platform::MessageButtons buttons, platform::MessageIcon icon) {
        HWND owner = main_ && IsWindowVisible(main_) ? main_ : verify_ ? verify_->Handle() : nullptr;
        return ShowWin32MessageBox(owner, text, caption, buttons, icon);
      }));
}

void TWin32View::MakeMainWindow(TControl& window) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  if (!GetClassInfoExW(instance_, kMainClass, &cls)) {
    cls.lpfnWndProc = MainProc;
    cls.hInstance = instance_;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hIcon = LoadIconW(instance_, L"MAINICON");
    cls.lpszClassName = kMainClass;
    RegisterClassExW(&cls);
  }
  RECT r{0, 0, gdi_.Scale(std::max(window.Width(), 1)), gdi_.Scale(std::max(window.Height(), 1))};
  AdjustWindowRectEx(&r, kMainStyle, FALSE, WS_EX_CONTROLPARENT);
  main_ = CreateWindowExW(WS_EX_CONTROLPARENT, kMainClass, L"", kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance_, this);
  windowControl_ = &window;
  lastPageWindow_ = nullptr;
}

void TWin32View::ControlCreated(TControl& control) {
  if (control.Kind() == TControlKind::Window) {
    TearDown();  // a new main window replaces an old one
    MakeMainWindow(control);
    return;
  }
  const TControl* root = &control;
  while (root->Parent()) root = root->Parent();
  if (!main_ || root != windowControl_) return;  // not on a window of this view
  AddItem(control);
}

void TWin32View::AddItem(TControl& control) {
  const int id = nextId_++;
  TWinItemPtr item = CreateWinItem(control, TItemHost{main_, instance_, &gdi_}, id);
  if (!item) return;
  TWinItem& added = *item;
  items_[&control] = std::move(item);
  if (HWND hwnd = added.Handle()) {
    byId_[id] = &added;
    // Page controls come before the window's own buttons in the tab order, in the
    // order they were made.
    if (control.Parent() != windowControl_) {
      SetWindowPos(hwnd, lastPageWindow_ ? lastPageWindow_ : HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      lastPageWindow_ = hwnd;
    }
  }
  Place(control);
  ApplyStates(control);
}

TWinItem* TWin32View::ItemOf(const TControl& control) const {
  const auto found = items_.find(&control);
  return found == items_.end() ? nullptr : found->second.get();
}

TWinItem* TWin32View::ItemOfWindow(HWND hwnd) const {
  if (!hwnd || GetParent(hwnd) != main_) return nullptr;
  const auto found = byId_.find(GetDlgCtrlID(hwnd));
  return found == byId_.end() ? nullptr : found->second;
}

void TWin32View::Place(TControl& control) {
  TWinItem* item = ItemOf(control);
  if (!item) return;
  RECT r = PlacedRect(control, gdi_.Dpi());
  if (const std::optional<SIZE> own = item->OwnSize()) {
    r.right = r.left + std::max<LONG>(own->cx, 0);
    r.bottom = r.top + std::max<LONG>(own->cy, 0);
  }
  placed_[&control] = r;
  if (HWND hwnd = item->Handle())
    SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32View::PlaceTree(TControl& control) {
  Place(control);
  for (TControl* child : control.Children()) PlaceTree(*child);
}

void TWin32View::ApplyStates(TControl& control) {
  if (TWinItem* item = ItemOf(control); item && item->Handle()) {
    HWND hwnd = item->Handle();
    EnableWindow(hwnd, EnabledOnScreen(control));
    ShowWindow(hwnd, ShownOnScreen(control) ? SW_SHOWNA : SW_HIDE);
  }
  for (TControl* child : control.Children()) ApplyStates(*child);
}

RECT TWin32View::AreaOf(TControl& control) {
  const auto found = placed_.find(&control);
  RECT r = found != placed_.end() ? found->second : PlacedRect(control, gdi_.Dpi());
  for (TControl* child : control.Children()) {
    const RECT c = AreaOf(*child);
    r = RECT{std::min(r.left, c.left), std::min(r.top, c.top), std::max(r.right, c.right),
             std::max(r.bottom, c.bottom)};
  }
  return r;
}

void TWin32View::InvalidateArea(TControl& control) {
  if (!main_) return;
  const RECT r = AreaOf(control);
  InvalidateRect(main_, &r, FALSE);
}

void TWin32View::ControlChanged(TControl& control, TControlChange change) {
  if (&control == windowControl_) {
    if (change == TControlChange::Bounds) {
      RECT r{0, 0, gdi_.Scale(control.Width()), gdi_.Scale(control.Height())};
      AdjustWindowRectEx(&r, kMainStyle, FALSE, WS_EX_CONTROLPARENT);
      SetWindowPos(main_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    }
    if (main_) InvalidateRect(main_, nullptr, FALSE);
    return;
  }
  TWinItem* item = ItemOf(control);
  if (!item) return;
  switch (change) {
    case TControlChange::Bounds:
      InvalidateArea(control);  // where it was
      PlaceTree(control);
      item->Apply(change);
      InvalidateArea(control);
      break;
    case TControlChange::Visible:
    case TControlChange::Enabled:
      ApplyStates(control);
      InvalidateArea(control);
      PostMessageW(main_, kFixFocusMessage, 0, 0);
      break;
    case TControlChange::ZOrder:
      if (control.Parent()) InvalidateArea(*control.Parent());
      break;
    default:
      InvalidateArea(control);
      item->Apply(change);
      Place(control);  // a label or edit box that sizes itself may have a new size
      InvalidateArea(control);
      break;
  }
}

void TWin32View::RepaintNow(TControl& control) {
  if (!main_) return;
  TWinItem* item = ItemOf(control);
  if (item && item->Handle()) {
    RedrawWindow(item->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return;
  }
  if (&control == windowControl_) InvalidateRect(main_, nullptr, FALSE);
  else InvalidateArea(control);
  RedrawWindow(main_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TWin32View::Paint() {
  PAINTSTRUCT ps;
  HDC screen = BeginPaint(main_, &ps);
  RECT client{};
  GetClientRect(main_, &client);
  if (windowControl_ && buffer_.Prepare(screen, client.right, client.bottom)) {
    HDC dc = buffer_.Dc();
    const RECT area = ps.rcPaint;
    FillRect(dc, &area, gdi_.Brush(ColourRef(windowControl_->Colour())));
    PaintChildren(*windowControl_, dc, area);
    BitBlt(screen, area.left, area.top, area.right - area.left, area.bottom - area.top, dc, area.left,
           area.top, SRCCOPY);
  }
  EndPaint(main_, &ps);
}

void TWin32View::PaintChildren(TControl& parent, HDC dc, const RECT& clip) {
  for (TControl* child : parent.Children()) {
    if (!child->Visible()) continue;
    const auto placed = placed_.find(child);
    if (placed == placed_.end() || !Overlaps(placed->second, clip)) continue;
    const RECT rect = placed->second;
    const RECT inside = Intersection(clip, rect);
    TWinItem* item = ItemOf(*child);
    if (item && !item->Handle()) {
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, inside.left, inside.top, inside.right, inside.bottom);
      TPaintTarget target{dc, buffer_, inside};
      item->Paint(target, rect);
      RestoreDC(dc, saved);
    }
    // A container clips what it holds to itself.
    if (!child->Children().empty()) PaintChildren(*child, dc, inside);
  }
}

LRESULT CALLBACK TWin32View::MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TWin32View*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || !self->main_ || hwnd != self->main_) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT TWin32View::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: return 1;  // the paint covers everything
    case WM_PAINT: Paint(); return 0;
    case WM_COMMAND: Command(wParam, lParam); return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (TWinItem* item = ItemOfWindow(header->hwndFrom)) return item->Notify(*header);
      return 0;
    }
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (TWinItem* item = ItemOfWindow(draw->hwndItem)) return item->DrawItem(*draw);
      return FALSE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      if (TWinItem* item = ItemOfWindow(reinterpret_cast<HWND>(lParam)))
        if (HBRUSH brush = item->ControlColour(reinterpret_cast<HDC>(wParam)))
          return reinterpret_cast<LRESULT>(brush);
      break;
    case WM_ACTIVATE:
      // As a dialog does: the focus is kept while another window is active.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && GetParent(focus) == main_) savedFocus_ = focus;
      } else if (savedFocus_ && IsWindow(savedFocus_) && IsWindowVisible(savedFocus_) &&
                 IsWindowEnabled(savedFocus_)) {
        SetFocus(savedFocus_);
      } else {
        FixFocus();
      }
      return 0;
    case kFixFocusMessage: FixFocus(); return 0;
    case WM_CLOSE: CloseRequested(); return 0;
    default: break;
  }
  return DefWindowProcW(main_, message, wParam, lParam);
}

void TWin32View::Command(WPARAM wParam, LPARAM lParam) {
  const WORD id = LOWORD(wParam), code = HIWORD(wParam);
  if (lParam == 0 || id == IDOK || id == IDCANCEL) {
    // The dialog manager's Enter and Escape; Escape does nothing.
    if (id == IDOK) PressEnter();
    return;
  }
  const auto found = byId_.find(id);
  if (found != byId_.end()) found->second->Command(code);
}

void TWin32View::PressEnter() {
  if (TWinItem* item = ItemOfWindow(GetFocus()); item && item->IsPushButton()) {
    item->Control().Click();
    return;
  }
  if (!form_) return;
  TControl& next = form_->NextButton;
  if (ShownOnScreen(next) && EnabledOnScreen(next)) next.Click();
}

void TWin32View::FixFocus() {
  if (!main_ || GetActiveWindow() != main_) return;
  HWND focus = GetFocus();
  if (focus && GetParent(focus) == main_ && IsWindowVisible(focus) && IsWindowEnabled(focus)) return;
  HWND target = nullptr;
  if (form_)
    if (TWinItem* next = ItemOf(form_->NextButton);
        next && IsWindowVisible(next->Handle()) && IsWindowEnabled(next->Handle()))
      target = next->Handle();
  if (!target) target = GetNextDlgTabItem(main_, nullptr, FALSE);
  if (target) SetFocus(target);
}

void TWin32View::TitleChanged(const std::u16string&, const std::u16string& caption) {
  if (main_) SetWindowTextW(main_, WideOf(caption).c_str());
}

void TWin32View::MenuChanged(const TPopupMenu&) {}

void TWin32View::PopupMenuAt(TPopupMenu& menu, int32_t x, int32_t y) {
  if (menu.Items.empty() || !main_) return;
  HMENU popup = CreatePopupMenu();
  std::vector<std::wstring> captions;
  captions.reserve(menu.Items.size());
  for (size_t i = 0; i < menu.Items.size(); ++i) {
    captions.push_back(WithoutShortcuts(WideOf(menu.Items[i].Caption)));
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    info.fType = MFT_STRING | MFT_RADIOCHECK;  // one language at a time
    info.fState = menu.Items[i].Checked ? MFS_CHECKED : MFS_UNCHECKED;
    info.wID = static_cast<UINT>(i + 1);
    info.dwTypeData = captions.back().data();
    InsertMenuItemW(popup, static_cast<UINT>(i), TRUE, &info);
  }
  SetForegroundWindow(main_);
  const int picked =
      static_cast<int>(TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON,
                                        gdi_.Scale(x), gdi_.Scale(y), main_, nullptr));
  DestroyMenu(popup);
  if (picked > 0) menu.Choose(static_cast<size_t>(picked - 1));
}

TFormGeometry TWin32View::FormGeometry() {
  if (!main_) return {};
  RECT outer{}, client{};
  GetWindowRect(main_, &outer);
  GetClientRect(main_, &client);
  // In the layout's pixels, as the model reckons.
  auto U = [this](LONG v) { return static_cast<int32_t>(gdi_.Unscale(v)); };
  return {U(outer.left),   U(outer.top),    U(outer.right - outer.left), U(outer.bottom - outer.top),
          U(client.right), U(client.bottom)};
}

void TWin32View::VerifyWindowChanged(const TFrmVerify& window) {
  if (!verify_) verify_ = std::make_unique<TWin32VerifyWindow>(instance_, gdi_);
  verify_->Update(window.StatusText(), window.Position(), window.Max());
}

void TWin32View::VerifyWindowClosed() { verify_.reset(); }

void TWin32View::HoldVerifyWindow(uint32_t milliseconds) {
  if (!verify_) return;
  const uint32_t start = platform::TickCount();
  for (uint32_t passed = 0; passed < milliseconds; passed = platform::TickCount() - start) {
    PumpPending();
    MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds - passed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void TWin32View::ShowDebugListing(const std::vector<std::string>& lines) {
  ShowWin32DebugListing(instance_, main_, gdi_, lines);
}

void TWin32View::PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      WindowClosed();
      return;
    }
    if (main_ && IsDialogMessageW(main_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TWin32View::ProcessMessages() {
  wakePending_->store(false);
  PumpPending();
}

int TWin32View::Run(TFrmMain& form) {
  form_ = &form;
  closed_ = false;
  if (directory_) form.ChooseInstallDir(*directory_);
  if (main_) {
    CentreOnWorkArea(main_);
    ShowWindow(main_, SW_SHOWNORMAL);
    SetForegroundWindow(main_);
    UpdateWindow(main_);
    FixFocus();
  }
  while (!closed_ && main_) {
    wakePending_->store(false);
    UiQueue().Drain();
    if (closed_) break;
    PumpPending();
    if (closed_ || !main_) break;
    MsgWaitForMultipleObjectsEx(0, nullptr, 500, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  TearDown();
  form_ = nullptr;
  return kExitByOutcome;
}

void TWin32View::WindowClosed() {
  closed_ = true;
  if (main_) ShowWindow(main_, SW_HIDE);
}

void TWin32View::CloseRequested() {
  if (!form_) return;
  try {
    form_->Close();
  } catch (const std::exception& e) {
    if (form_->OnUnexpectedError) form_->OnUnexpectedError(e.what());
    WindowClosed();
  }
}

void TWin32View::TearDown() {
  byId_.clear();
  items_.clear();  // the child windows go first
  placed_.clear();
  savedFocus_ = nullptr;
  lastPageWindow_ = nullptr;
  if (main_) {
    HWND window = main_;
    main_ = nullptr;
    DestroyWindow(window);
  }
  windowControl_ = nullptr;
}
