// Shared helpers for the wizard model's tests: a view that writes down what it is
// told, a worker standing in for the setup thread, and packages made from the
// standard page folders and language tables.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/TestMachine.h"
#include "ui/FormMain.h"
#include "ui/SE_View.h"

namespace ui_test {

// Events as text: "created NAME KIND", "caption NAME TEXT", "visible NAME 0|1",
// "enabled NAME 0|1", "gauge NAME PROGRESS CAPTION", "repaint NAME", "title TEXT",
// "menu CAPTION*,CAPTION", "popup X Y", "closed", "debug N". Other changes: "change NAME N".
class RecordingView : public TWizardView {
 public:
  std::vector<std::string> events;
  TFormGeometry geometry{100, 50, 584, 442, 578, 413};

  void InstallHandlers() override {}
  void ControlCreated(TControl& control) override;
  void ControlChanged(TControl& control, TControlChange change) override;
  void RepaintNow(TControl& control) override { events.push_back("repaint " + control.Name()); }
  void TitleChanged(const std::u16string& title, const std::u16string&) override;
  void MenuChanged(const TPopupMenu& menu) override;
  void PopupMenuAt(TPopupMenu&, int32_t x, int32_t y) override {
    events.push_back("popup " + std::to_string(x) + " " + std::to_string(y));
  }
  TFormGeometry FormGeometry() override { return geometry; }
  void VerifyWindowChanged(const TFrmVerify&) override {}
  void VerifyWindowClosed() override {}
  void HoldVerifyWindow(uint32_t) override {}
  void ShowDebugListing(const std::vector<std::string>& lines) override {
    events.push_back("debug " + std::to_string(lines.size()));
  }
  void ProcessMessages() override {}
  int Run(TFrmMain&) override { return kExitByOutcome; }
  void WindowClosed() override { events.push_back("closed"); }

  // The events that start with prefix, in order.
  std::vector<std::string> With(const std::string& prefix) const;
  // "PROGRESS CAPTION" of the named gauge's changes, each new value once.
  std::vector<std::string> GaugeSequence(const std::string& name) const;
};

// Runs body on a thread of its own when the window starts a run; Running stays true
// until body returns.
class FakeWorker : public TInstallWorker {
 public:
  explicit FakeWorker(std::function<void()> body) : body_(std::move(body)) {}
  ~FakeWorker() override { QuitAndWait(); }
  void StartRun() override;
  bool Running() const override { return running_; }
  void QuitAndWait() override {
    if (thread_.joinable()) thread_.join();
  }
  int starts = 0;

 private:
  std::function<void()> body_;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

// Extra entries by name (group 0 unless given in the pair).
struct ExtraEntry {
  std::string name;
  std::string content;
  uint16_t group = 0;
};

// Writes a package (into the prefix's drive C:) holding the files of data/layout/FOLDER (under their own
// names), the install (or, with uninstallTables, the uninstall) language tables English and Czech, and the
// extra entries; opens it as the program's setup package. Resets the setup information, variables, uninstall
// list and progress counter.
void UseStandardPackage(const testing_support::TempPrefix& prefix, const std::string& folder,
                        const std::vector<ExtraEntry>& extra = {}, bool uninstallTables = false);

// The standard English install table followed by the Czech one, English current.
void UseEnglishAndCzech();

std::string Utf8(const std::u16string& text);
std::u16string Wide(const std::string& utf8);

}  // namespace ui_test
