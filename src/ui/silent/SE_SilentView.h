// The unattended view: no window. The wizard moves on by itself (Next on every page,
// the progress pages run, the finish page closes), and what a user would have read
// goes to standard output, one record per line, tab-separated:
//
//   page    INDEX  KIND        a page was shown (KIND as the page list names it)
//   status  GAUGE  TEXT        a new status line, with the gauge's caption ("42%")
//   finish  TEXT               the finish text changed
//
// Line breaks inside texts print as blanks. Message boxes print as "Caption: text"
// on standard error and take OK, Yes, or Cancel on Retry/Cancel (the platform's
// default handler); an error report is not opened.
//
// A chosen installation directory is typed into the directory page's edit box when
// the wizard reaches it, or taken up front when the pages have no such page. A ready
// page that refuses Next for lack of space, or a directory page that refuses the
// drive, ends the run with a message on standard error and exit status 1.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "ui/SE_View.h"

class TSilentView : public TWizardView {
 public:
  // directory: a Windows path, or nothing to keep the setup's own choice.
  explicit TSilentView(std::optional<std::string> directory = std::nullopt, std::FILE* out = stdout,
                       std::FILE* err = stderr);

  void InstallHandlers() override;
  void ControlCreated(TControl&) override {}
  void ControlChanged(TControl& control, TControlChange change) override;
  void RepaintNow(TControl&) override {}
  void TitleChanged(const std::u16string&, const std::u16string&) override {}
  void MenuChanged(const TPopupMenu&) override {}
  void PopupMenuAt(TPopupMenu&, int32_t, int32_t) override {}
  TFormGeometry FormGeometry() override { return {}; }
  void VerifyWindowChanged(const TFrmVerify&) override {}
  void VerifyWindowClosed() override {}
  void HoldVerifyWindow(uint32_t) override {}
  void ShowDebugListing(const std::vector<std::string>&) override {}
  void ProcessMessages() override {}
  int Run(TFrmMain& form) override;
  void WindowClosed() override {}

 private:
  // Presses what a user would press on the current page; an exit status when the
  // run cannot go on.
  std::optional<int> Step(TFrmMain& form);
  void PrintPage(const TFrmMain& form);

  std::optional<std::string> directory_;
  bool directoryTyped_ = false;
  std::FILE* out_;
  std::FILE* err_;
  TFrmMain* form_ = nullptr;
  std::u16string lastStatus_;
};
