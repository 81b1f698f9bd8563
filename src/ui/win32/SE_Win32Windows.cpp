#include "ui/win32/SE_Win32Windows.h"

#include <algorithm>

#include "ui/win32/SE_Win32Gdi.h"

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;

UINT MessageBoxFlags(MessageButtons buttons, MessageIcon icon) {
  UINT flags = MB_OK;
  switch (buttons) {
    case MessageButtons::Ok: flags = MB_OK; break;
    case MessageButtons::OkCancel: flags = MB_OKCANCEL; break;
    case MessageButtons::YesNo: flags = MB_YESNO; break;
    case MessageButtons::RetryCancel: flags = MB_RETRYCANCEL; break;
  }
  switch (icon) {
    case MessageIcon::None: break;
    case MessageIcon::Information: flags |= MB_ICONINFORMATION; break;
    case MessageIcon::Warning: flags |= MB_ICONWARNING; break;
    case MessageIcon::Error: flags |= MB_ICONERROR; break;
    case MessageIcon::Question: flags |= MB_ICONQUESTION; break;
  }
  return flags;
}

MessageResult MessageResultOf(int id) {
  switch (id) {
    case IDOK: return MessageResult::Ok;
    case IDYES: return MessageResult::Yes;
    case IDNO: return MessageResult::No;
    case IDRETRY: return MessageResult::Retry;
    default: return MessageResult::Cancel;
  }
}

MessageResult ShowWin32MessageBox(HWND owner, const std::u16string& text, const std::u16string& caption,
                                  MessageButtons buttons, MessageIcon icon) {
  const std::wstring body = WithCrLf(WideOf(text));
  const int id = MessageBoxW(owner, body.c_str(), WideOf(caption).c_str(),
                             MessageBoxFlags(buttons, icon) | MB_SETFOREGROUND | (owner ? 0 : MB_TASKMODAL));
  // A Yes/No box closed without an answer cannot say Cancel: it says No.
  if (id == 0 || (id == IDCANCEL && buttons == MessageButtons::YesNo)) return MessageResult::No;
  return MessageResultOf(id);
}

void CentreOnWorkArea(HWND hwnd) {
  RECT area{}, r{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(hwnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(hwnd, nullptr, area.left + (area.right - area.left - w) / 2,
               area.top + (area.bottom - area.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

const wchar_t kVerifyClass[] = L"SEVerifyWindow";
const wchar_t kDebugClass[] = L"SEDebugWindow";
constexpr DWORD kFixedFrame = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

void RegisterOnce(HINSTANCE instance, const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW cls{};
  if (GetClassInfoExW(instance, name, &cls)) return;
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = proc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = name;
  cls.hIcon = LoadIconW(instance, L"MAINICON");
  RegisterClassExW(&cls);
}

// The outer size of a window whose client area has the given size.
SIZE OuterSize(int width, int height, DWORD style) {
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace

TWin32VerifyWindow::TWin32VerifyWindow(HINSTANCE instance, TGdiCache& gdi) : gdi_(gdi) {
  RegisterOnce(instance, kVerifyClass, Proc);
  const SIZE outer = OuterSize(gdi.Scale(kWidth), gdi.Scale(kHeight), kFixedFrame);
  hwnd_ = CreateWindowExW(0, kVerifyClass, L"Verifying Contents", kFixedFrame, 0, 0, outer.cx, outer.cy,
                          nullptr, nullptr, instance, this);
  if (!hwnd_) return;
  CentreOnWorkArea(hwnd_);
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

TWin32VerifyWindow::~TWin32VerifyWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void TWin32VerifyWindow::Update(const std::string& status, int32_t position, int32_t max) {
  status_ = WideOfAnsi(status);
  position_ = position;
  max_ = max;
  if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

LRESULT CALLBACK TWin32VerifyWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TWin32VerifyWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (self) self->Paint(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_CLOSE: return 0;  // closes when the check is done
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

void TWin32VerifyWindow::Paint(HDC screen) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  FillRect(dc, &client, gdi_.Brush(GetSysColor(COLOR_BTNFACE)));
  HGDIOBJ oldFont = SelectObject(dc, gdi_.Font(TFontSpec{}));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  auto S = [&](int v) { return gdi_.Scale(v); };
  RECT line{S(8), S(8), S(313), S(28)};
  DrawTextW(dc, L"Verifying contents please wait...", -1, &line,
            DT_LEFT | DT_TOP | DT_NOPREFIX | DT_SINGLELINE);
  line = RECT{S(8), S(32), S(313), S(46)};
  DrawTextW(dc, status_.c_str(), -1, &line, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_SINGLELINE);
  // A smooth bar: a sunken frame, the filled share in the selection colour.
  RECT bar{S(8), S(48), S(313), S(64)};
  FillRect(dc, &bar, gdi_.Brush(GetSysColor(COLOR_WINDOW)));
  DrawEdge(dc, &bar, BDR_SUNKENOUTER, BF_RECT);
  if (max_ > 0 && position_ > 0) {
    const int64_t share = std::min<int64_t>(position_, max_);
    const int inner = bar.right - bar.left - 4;
    RECT filled{bar.left + 2, bar.top + 2, bar.left + 2 + static_cast<int>(inner * share / max_),
                bar.bottom - 2};
    FillRect(dc, &filled, gdi_.Brush(GetSysColor(COLOR_HIGHLIGHT)));
  }
  BitBlt(screen, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

namespace {

LRESULT CALLBACK DebugProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (HWND edit = GetWindow(hwnd, GW_CHILD)) MoveWindow(edit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

void ShowWin32DebugListing(HINSTANCE instance, HWND owner, TGdiCache& gdi,
                           const std::vector<std::string>& lines) {
  RegisterOnce(instance, kDebugClass, DebugProc);
  std::wstring text;
  for (const std::string& line : lines) text += WideOfAnsi(line) + L"\r\n";
  HWND window = CreateWindowExW(0, kDebugClass, L"Debug", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                gdi.Scale(870), gdi.Scale(600), owner, nullptr, instance, nullptr);
  if (!window) return;
  RECT client{};
  GetClientRect(window, &client);
  HWND edit = CreateWindowExW(0, L"EDIT", text.c_str(),
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                  ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                              0, 0, client.right, client.bottom, window, nullptr, instance, nullptr);
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(gdi.Font(TFontSpec{})), TRUE);
  CentreOnWorkArea(window);
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(window, SW_SHOWNORMAL);
  SetFocus(edit);
  MSG msg;
  while (IsWindow(window) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (owner) {
    EnableWindow(owner, TRUE);
    SetForegroundWindow(owner);
  }
}
