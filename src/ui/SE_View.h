// What a view of the wizard implements. The model (TFrmMain, its pages and controls,
// the verification window) is toolkit-free; a view realises it and feeds the user's
// actions back:
//
//   model -> view   ControlCreated / ControlChanged / RepaintNow for every control
//                   (TControlObserver), TitleChanged, MenuChanged, PopupMenuAt,
//                   the verification window, the debug listing, WindowClosed
//   view -> model   TControl::Click / UserSetText / UserCheck, TFolderTree::Expand /
//                   UserSelect, TPopupMenu::Choose, TFrmMain::Close (the window's
//                   close button)
//
// Threads: every call in both directions happens on the user-interface thread. The
// setup thread's changes arrive through UiQueue() (SE_UiQueue.h), which
// TFrmMain::ProcessMessages drains; a view whose loop sleeps in the toolkit sets the
// queue's wake hook. Message boxes, the fatal exit and opening documents are the
// handlers of platform/Dialogs.h, which the view installs in InstallHandlers
// (UiThreadMessageBoxHandler carries a box asked for on the setup thread over to the
// user-interface thread).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/SE_Control.h"

class TFrmMain;
class TFrmVerify;

struct TMenuItem {
  std::u16string Caption;
  int32_t Tag = 0;
  bool Checked = false;
};

// The language button's popup menu.
struct TPopupMenu {
  std::vector<TMenuItem> Items;
  // Runs when the user picks item index (the view calls Choose).
  std::function<void(size_t index)> OnChoose;
  void Choose(size_t index) {
    if (index < Items.size() && OnChoose) OnChoose(index);
  }
};

// The main window's place on the screen, for the popup menu's position. Like the
// pages' layouts (and PopupMenuAt's point) it is in pixels at 96 dpi: a view that
// scales the window to the screen's DPI converts both ways.
struct TFormGeometry {
  int32_t left = 0, top = 0;      // outer top-left corner
  int32_t width = 0, height = 0;  // outer size, frame included
  int32_t clientWidth = 0, clientHeight = 0;
};

// Returned by Run when the view leaves the exit status to the window's outcome.
inline constexpr int kExitByOutcome = -1;

class TWizardView : public TControlObserver {
 public:
  // Installs the platform/Dialogs.h handlers this view answers (message boxes, opening
  // documents); called once before anything is shown.
  virtual void InstallHandlers() = 0;

  // The application title and the main window's caption.
  virtual void TitleChanged(const std::u16string& applicationTitle, const std::u16string& caption) = 0;
  virtual void MenuChanged(const TPopupMenu& menu) = 0;
  // Opens the menu at a screen point; the choice comes back through menu.Choose.
  virtual void PopupMenuAt(TPopupMenu& menu, int32_t x, int32_t y) = 0;
  virtual TFormGeometry FormGeometry() = 0;

  // The verification window was shown or changed (paint it at once: no event loop
  // runs yet), and closed.
  virtual void VerifyWindowChanged(const TFrmVerify& window) = 0;
  virtual void VerifyWindowClosed() = 0;
  // The finished verification window stays on screen this long before it closes.
  virtual void HoldVerifyWindow(uint32_t milliseconds) = 0;

  // Shows the debug listing modally.
  virtual void ShowDebugListing(const std::vector<std::string>& lines) = 0;

  // Handles pending user events without waiting.
  virtual void ProcessMessages() = 0;
  // Shows the main window and runs its event loop until the window closes. Returns
  // an exit status, or kExitByOutcome to let the window's outcome decide.
  virtual int Run(TFrmMain& form) = 0;
  // The main window closed (or the program ends it): Run should return.
  virtual void WindowClosed() = 0;
};
