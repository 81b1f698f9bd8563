// The wizard on screen with the Win32 API: the main window (its client area the
// model's window, double-buffered) and every control of the model as an item
// (SE_Win32Items.h), the language popup menu, the verification and debug windows and
// the system's message boxes.
//
// Threads: the view runs on the user-interface thread. The setup thread never touches
// a window: its changes travel in the model's queue (SE_UiQueue.h), and the view's
// wake hook only posts one WM_APP to a window of the view, which ends the wait of the
// PeekMessageW loop so that it drains the queue. A box asked for on the setup thread
// is shown here with MessageBoxW and the answer handed back.
//
// Keyboard: Tab moves through the controls in the order they were made (page controls
// before the window's buttons), Enter presses the focused button (else Next), space
// presses the focused button; Escape does not close the wizard (only the window's
// close button, Cancel and Finish do, each through the quit question).
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "ui/SE_View.h"
#include "ui/win32/SE_Win32Gdi.h"
#include "ui/win32/SE_Win32Items.h"
#include "ui/win32/SE_Win32Pictures.h"

class TWin32VerifyWindow;

class TWin32View : public TWizardView {
 public:
  // Nothing when no window can be made (no display under Wine).
  static std::unique_ptr<TWin32View> Create(std::optional<std::string> directory = std::nullopt);

 private:
  struct TKey {
    explicit TKey() = default;
  };

 public:
  TWin32View(TKey, HINSTANCE instance);
  ~TWin32View() override;

  void InstallHandlers() override;
  void ControlCreated(TControl& control) override;
  void ControlChanged(TControl& control, TControlChange change) override;
  void RepaintNow(TControl& control) override;
  void TitleChanged(const std::u16string& applicationTitle, const std::u16string& caption) override;
  void MenuChanged(const TPopupMenu& menu) override;
  void PopupMenuAt(TPopupMenu& menu, int32_t x, int32_t y) override;
  TFormGeometry FormGeometry() override;
  void VerifyWindowChanged(const TFrmVerify& window) override;
  void VerifyWindowClosed() override;
  void HoldVerifyWindow(uint32_t milliseconds) override;
  void ShowDebugListing(const std::vector<std::string>& lines) override;
  void ProcessMessages() override;
  int Run(TFrmMain& form) override;
  void WindowClosed() override;

  HWND MainWindow() const { return main_; }
  // The fonts and scale the view draws with.
  TGdiCache& Gdi() { return gdi_; }
  // Drops the main window and its items, for a model that goes without closing it.
  void DropWindow() { TearDown(); }

 private:
  static LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK WakeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool MakeWakeWindow();
  void MakeMainWindow(TControl& window);
  void AddItem(TControl& control);
  TWinItem* ItemOf(const TControl& control) const;
  TWinItem* ItemOfWindow(HWND hwnd) const;
  void Place(TControl& control);
  void PlaceTree(TControl& control);
  void ApplyStates(TControl& control);
  RECT AreaOf(TControl& control);
  void InvalidateArea(TControl& control);
  void Paint();
  void PaintChildren(TControl& parent, HDC dc, const RECT& clip);
  void Command(WPARAM wParam, LPARAM lParam);
  void PressEnter();
  void FixFocus();
  void PumpPending();
  void CloseRequested();
  void TearDown();

  HINSTANCE instance_;
  TGdiCache gdi_;
  TBackBuffer buffer_;
  HWND wake_ = nullptr;
  HWND main_ = nullptr;
  HWND lastPageWindow_ = nullptr;  // the latest page control's window, for the tab order
  HWND savedFocus_ = nullptr;
  TControl* windowControl_ = nullptr;
  std::unordered_map<const TControl*, TWinItemPtr> items_;
  std::unordered_map<const TControl*, RECT> placed_;
  std::unordered_map<int, TWinItem*> byId_;
  int nextId_ = 100;
  std::unique_ptr<TWin32VerifyWindow> verify_;
  TFrmMain* form_ = nullptr;
  bool closed_ = false;
  bool comReady_ = false;
  std::shared_ptr<std::atomic<bool>> wakePending_;
  std::optional<std::string> directory_;
};
