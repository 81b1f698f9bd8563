// The wizard window: its fixed components (page panel, Back/Next/Cancel, the language
// button and its menu, the hidden Debug button), the pages built on the panel, and
// what moving forward means on each page kind: the installation-directory checks,
// the space check on the ready page, the installation handed to the setup thread,
// the removal in uninstall mode, and closing.
//
// Window (client 578 x 413):  Bevel2 0,375 578x3   Panel1 0,0 578x375 (the pages)
//   Button2 "Debug" 112,384 75x25 (hidden)   BackButton 344,384 73x25
//   NextButton 416,384 73x25   CancelButton 496,384 75x25   LanguageButton 8,384 89x25
//
// Every user action runs on the user-interface thread; an unexpected error in one
// goes to OnUnexpectedError (the error report) and ends the window.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/SE_Control.h"
#include "ui/SE_InstallWorker.h"
#include "ui/SE_Parser.h"
#include "ui/SE_View.h"

class TFrmMain {
 public:
  // Creates the window's components (realised by the view, which may be null in
  // tests), the page set, and the setup thread's worker (null: no installation can
  // run). Installs the window's progress sink.
  TFrmMain(TWizardView* view, std::unique_ptr<TInstallWorker> worker, TEntryReader reader = SetupPakReader());
  ~TFrmMain();
  TFrmMain(const TFrmMain&) = delete;
  TFrmMain& operator=(const TFrmMain&) = delete;

  TControl Form;  // the client area; every component is on it
  TControl& Bevel2;
  TControl& Panel1;
  TControl& Button2;
  TControl& BackButton;
  TControl& NextButton;
  TControl& CancelButton;
  TControl& LanguageButton;
  TPopupMenu LanguagePopupMenu;
  TSEPageControl SEPageControl;

  bool InstallDirVisited = false;
  bool Working = false;
  int32_t ProgressMax = 0;

  // The well-known page controls, found by name after the pages are built; null
  // when the pages have none.
  TControl* StatusLabel = nullptr;          // "patching_statuslabel"
  TControl* ProgressGauge = nullptr;        // "patching_progressbar"
  TControl* FinishTextLabel = nullptr;      // "finishtext"
  TControl* InstallDirEdit = nullptr;       // "installdir_edit"
  TControl* InstallDirTree = nullptr;       // "installdir_shelltreeview"
  TControl* SpaceAvailableLabel = nullptr;  // "spaceavalible"

  const std::u16string& ApplicationTitle() const { return applicationTitle_; }
  const std::u16string& Caption() const { return caption_; }
  void SetApplicationTitle(const std::u16string& title);

  // Builds the pages from "Pages.txt" and prepares the window (title, installation
  // directory, buttons, language menu). False when the page list yields no page:
  // the wizard cannot start then.
  bool SetPagesUp();

  void NextButtonClick();
  void BackButtonClick();
  void CancelButtonClick();
  // The window's close request: FormCloseQuery, then FormClose. True when closed.
  bool Close();
  bool FormCloseQuery();
  void FormClose();

  void InstallDir_Edit_Change();
  void ShellTreeViewChange();

  void SetupLanguages();
  void LanguageButtonClick();
  void LanguageItemClick(size_t index);
  void Button2Click();

  void SetWorkingState(bool working) { Working = working; }
  // Pending user events, then the setup thread's queued changes.
  void ProcessMessages();

  // What the setup thread's changes do once they reach this thread.
  void ShowStatusText(const std::u16string& text);
  void ShowFinishText(const std::u16string& text, bool repaint);
  void ShowGaugeProgress(int32_t value);

  // The installation directory chosen before the wizard runs (a command-line choice
  // when the pages have no directory page): taken as typed, free space measured.
  void ChooseInstallDir(const std::string& directory);

  // Outcome.
  bool Closed() const { return closed_; }
  bool ClosedOnFinishPage() const { return closedOnFinish_; }
  bool Terminated() const { return terminated_; }
  // Whether an installation or removal ran to its end.
  bool RunCompleted() const { return runCompleted_; }
  // Called with an unexpected error's text (the error report); the window then ends.
  std::function<void(const std::string& text)> OnUnexpectedError;

  // Language text 19 with "<%ZTPNAME%>", "<%FNUM%>", "<%FTOTAL%>" replaced.
  static std::u16string FormatItemProgress(const std::u16string& name, int64_t number, int64_t total);
  // Deletes the value of a recorded registry entry line ("ROOT" "KEY" "NAME" ...);
  // the key stays.
  static void RemoveRegistryEntry(const std::string& line);
  // Writes the package's "FINALISE.EXE" into a new private folder of the temporary
  // folder (platform/TemporaryProgram.h) and starts it with
  // the running program's path in double quotes, without waiting.
  static void RunFinaliser();

 private:
  class TWindowProgressSink;

  void FindWellKnownControls();
  // After a page is shown again: Next stays disabled where the page refuses it.
  void KeepNextRefused();
  void RunInstallation();
  void RunUninstallation();
  void SetUninstallProgress(const std::u16string& status, int32_t gauge);
  void MoveTreeToPath(const std::string& path, bool expanding);
  void AttachEvents();
  // Runs a user action; an unexpected error goes to the report and ends the window.
  void Guarded(const std::function<void()>& action);
  void Terminate(const std::string& text);

  TWizardView* view_;
  std::unique_ptr<TInstallWorker> worker_;
  std::unique_ptr<TWindowProgressSink> sink_;
  std::u16string applicationTitle_;
  std::u16string caption_;
  bool closed_ = false;
  bool closedOnFinish_ = false;
  bool terminated_ = false;
  bool runCompleted_ = false;
  bool uninstallEnded_ = false;  // its end recorded; the journal goes after the finaliser
};

// The free space of the drive a directory begins with ("C:..."): SpaceAvailable and
// its text. A directory that does not begin with a letter leaves both as they are.
// A drive that cannot be measured counts as 0 bytes free. True when it measured.
bool MeasureSpaceAvailable(const std::string& directory);

// Drive types that cannot take an installation: unknown, no root directory, CD-ROM,
// RAM disk.
bool DriveCanTakeInstallation(const std::string& path);
