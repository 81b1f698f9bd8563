// The wizard on screen with FLTK: the main window and every control of the model as a
// widget (SE_FltkWidgets.h), the language menu, the verification and debug windows
// and modal message boxes.
//
// Threads: the view runs on the user-interface thread, which holds FLTK's lock from
// the start (Fl::lock). The setup thread never calls FLTK: its changes travel in the
// model's queue (SE_UiQueue.h), and the view's wake hook only wakes the event loop
// with Fl::awake(), which the loop answers by draining the queue. A message box asked
// for on the setup thread is shown here and the answer handed back.
//
// FLTK never sees the program's command line. Escape does not close the wizard (only
// the window's close button, Cancel and Finish do, each through the quit question);
// texts are shown as written, "@" and "&" included.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/SE_View.h"

class TFltkVerifyWindow;
class TModelWidget;
class Fl_Double_Window;

class TFltkView : public TWizardView {
 public:
  // Nothing when no display can be opened (the caller falls back to another view).
  // directory: a Windows path chosen up front (the command line), taken as the
  // installation directory before the wizard shows.
  static std::unique_ptr<TFltkView> Create(std::optional<std::string> directory = std::nullopt);

 private:
  struct TKey {
    explicit TKey() = default;
  };

 public:
  explicit TFltkView(TKey);  // through Create
  ~TFltkView() override;

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

  // Drops the main window and its widgets, for a model that goes without closing it.
  void DropWindow() { TearDown(); }
  // The main window (null before the model made it); for tests.
  Fl_Double_Window* MainWindow() const { return window_.get(); }
  TModelWidget* WidgetOf(const TControl& control) const;

 private:
  class TFormWindow;

  void Place(TModelWidget& widget);
  void PlaceTree(TControl& control);
  void Restack(TControl& parent);
  void Invalidate(TModelWidget& widget);
  void CloseRequested();
  void TearDown();

  std::unique_ptr<Fl_Double_Window> window_;  // its widgets go with it
  std::unordered_map<const TControl*, TModelWidget*> widgets_;
  std::unique_ptr<TFltkVerifyWindow> verify_;
  std::vector<TMenuItem> menu_;
  TFrmMain* form_ = nullptr;
  bool closed_ = false;
  std::shared_ptr<std::atomic<bool>> wakePending_;
  std::optional<std::string> directory_;
};
