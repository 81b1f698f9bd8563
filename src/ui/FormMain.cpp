// TFrmMain: the window's components, page set-up, navigation, closing, the language
// switch and the setup thread's changes arriving on this thread.
#include "ui/FormMain.h"

#include "engine/SE_UninstallRun.h"
#include "lang/ZTI_Language.h"
#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "script/SE_Global.h"
#include "script/SE_Progress.h"
#include "script/ZTI_SetupInfo.h"
#include "ui/DebugForm.h"
#include "ui/SE_LanguageStrings.h"
#include "ui/SE_UiQueue.h"

// The commands' status, finish text and gauge steps, made on the setup thread, are
// queued for the user-interface thread.
class TFrmMain::TWindowProgressSink : public TProgressSink {
 public:
  explicit TWindowProgressSink(TFrmMain& form) : form_(form) {}
  void StatusText(const std::u16string& text) override {
    UiQueue().Post([&form = form_, text] { form.ShowStatusText(text); });
  }
  void FinishText(const std::u16string& text, bool repaint) override {
    UiQueue().Post([&form = form_, text, repaint] { form.ShowFinishText(text, repaint); });
  }
  bool HasGauge() const override { return hasGauge; }
  void GaugeProgress(int value) override {
    UiQueue().Post([&form = form_, value] { form.ShowGaugeProgress(value); });
  }
  std::atomic<bool> hasGauge{false};

 private:
  TFrmMain& form_;
};

namespace {

TControl& MakeComponent(TControl& form, TControlKind kind, const char* name, int32_t left, int32_t top,
                        int32_t width, int32_t height, const char16_t* caption) {
  TControl& c = form.CreateChild(kind, name);
  c.SetBounds(left, top, width, height);
  c.SetCaption(caption);
  return c;
}

bool IsUninstallMode() { return SetupInfoFile().Info.Uninstall == 1; }

// Less free space than the installation needs (both as signed 64-bit counts).
bool LacksSpace() {
  return static_cast<int64_t>(SetupVariables().SpaceAvailable) <
         static_cast<int64_t>(SetupVariables().SpaceRequired);
}

}  // namespace

TFrmMain::TFrmMain(TWizardView* view, std::unique_ptr<TInstallWorker> worker, TEntryReader reader)
    : Form(TControlKind::Window, "FrmMain", view),
      Bevel2(MakeComponent(Form, TControlKind::Bevel, "Bevel2", 0, 375, 578, 3, u"")),
      Panel1(MakeComponent(Form, TControlKind::Panel, "Panel1", 0, 0, 578, 375, u"")),
      Button2(MakeComponent(Form, TControlKind::Button, "Button2", 112, 384, 75, 25, u"Debug")),
      BackButton(MakeComponent(Form, TControlKind::Button, "BackButton", 344, 384, 73, 25, u"< Back")),
      NextButton(MakeComponent(Form, TControlKind::Button, "NextButton", 416, 384, 73, 25, u"Next >")),
      CancelButton(MakeComponent(Form, TControlKind::Button, "CancelButton", 496, 384, 75, 25, u"Cancel")),
      LanguageButton(
          MakeComponent(Form, TControlKind::BitmapButton, "LanguageButton", 8, 384, 89, 25, u"English")),
      SEPageControl(BackButton, NextButton, CancelButton, LanguageButton, Panel1, std::move(reader)),
      view_(view),
      worker_(std::move(worker)),
      sink_(std::make_unique<TWindowProgressSink>(*this)) {
  Panel1.SetColour(clWhite);
  Panel1.SetEdge(TEdge::None);
  Bevel2.SetEdge(TEdge::TopLine);
  Button2.SetVisible(false);
  LanguagePopupMenu.Items = {{u"English", 0, true}};
  LanguagePopupMenu.OnChoose = [this](size_t index) { Guarded([&] { LanguageItemClick(index); }); };
  if (view_) view_->MenuChanged(LanguagePopupMenu);
  AttachEvents();
  SetProgressSink(sink_.get());
}

TFrmMain::~TFrmMain() {
  if (worker_) worker_->QuitAndWait();
  if (ProgressSink() == sink_.get()) SetProgressSink(nullptr);
  // Queued changes refer to this window's controls.
  UiQueue().Clear();
}

void TFrmMain::AttachEvents() {
  NextButton.OnClick = [this] { Guarded([this] { NextButtonClick(); }); };
  BackButton.OnClick = [this] { Guarded([this] { BackButtonClick(); }); };
  CancelButton.OnClick = [this] { Guarded([this] { CancelButtonClick(); }); };
  LanguageButton.OnClick = [this] { Guarded([this] { LanguageButtonClick(); }); };
  Button2.OnClick = [this] { Guarded([this] { Button2Click(); }); };
}

void TFrmMain::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    if (!OnUnexpectedError) throw;
    Terminate(e.what());
  }
}

void TFrmMain::Terminate(const std::string& text) {
  SetWorkingState(false);
  terminated_ = true;
  if (OnUnexpectedError) OnUnexpectedError(text);
  closed_ = true;
  if (view_) view_->WindowClosed();
}

void TFrmMain::SetApplicationTitle(const std::u16string& title) {
  applicationTitle_ = title;
  caption_ = u" " + title;
  if (view_) view_->TitleChanged(applicationTitle_, caption_);
}

bool TFrmMain::SetPagesUp() {
  const TSetupInfo& info = SetupInfoFile().Info;
  SetApplicationTitle(IsUninstallMode()
                          ? platform::AnsiToWide(info.ShortName) + u" " + Languages().GetText(26)
                          : platform::AnsiToWide(info.SetupName));
  SEPageControl.LoadPages("Pages.txt");
  Panel1.SetColour(SEPageControl.Colour);
  FindWellKnownControls();
  sink_->hasGauge = ProgressGauge != nullptr;
  InstallDir() = ExpandVariables(InstallDir());
  if (InstallDirTree) {
    InstallDirTree->Tree()->OnUserSelect = [this] { Guarded([this] { ShellTreeViewChange(); }); };
    const bool wasVisible = InstallDirTree->Visible();
    InstallDirTree->SetVisible(true);
    MoveTreeToPath(InstallDir(), false);
    InstallDirTree->SetVisible(wasVisible);
  }
  if (InstallDirEdit) {
    InstallDirEdit->SetCaption(platform::AnsiToWide(ExpandVariables(InstallDir())));
    InstallDirEdit->OnChange = [this] { Guarded([this] { InstallDir_Edit_Change(); }); };
  }
  BackButton.SetCaption(Languages().GetText(12));
  NextButton.SetCaption(Languages().GetText(13));
  CancelButton.SetCaption(Languages().GetText(14));
  // The first page was shown while its layout was read, before these captions: a first
  // page of the ready or finish kind gets its own captions back.
  if (SEPageControl.HasPage(SEPageControl.CurrentPage))
    SEPageControl.SetButtonsFor(SEPageControl.CurrentPage);
  SetupLanguages();
  return !SEPageControl.Pages.empty();
}

void TFrmMain::FindWellKnownControls() {
  struct TWellKnown {
    const char* name;
    TControl** slot;
  };
  const TWellKnown wellKnown[] = {
      {"patching_statuslabel", &StatusLabel},
      {"patching_progressbar", &ProgressGauge},
      {"finishtext", &FinishTextLabel},
      {"installdir_edit", &InstallDirEdit},
      {"installdir_shelltreeview", &InstallDirTree},
      {"spaceavalible", &SpaceAvailableLabel},
  };
  for (const TWellKnown& w : wellKnown) *w.slot = nullptr;
  for (const auto& page : SEPageControl.Pages)
    for (TControl* control : page->Controls)
      for (const TWellKnown& w : wellKnown)
        if (platform::SameTextAscii(control->Name(), w.name)) *w.slot = control;
  // A control of another class under a well-known name cannot serve as it.
  if (ProgressGauge && !ProgressGauge->Gauge()) ProgressGauge = nullptr;
  if (InstallDirTree && !InstallDirTree->Tree()) InstallDirTree = nullptr;
}

void TFrmMain::NextButtonClick() {
  const int32_t before = SEPageControl.CurrentPage;
  SEPageControl.ShowPage(before + 1);
  // Past the last page nothing is shown and nothing happens.
  if (SEPageControl.CurrentPage == before) return;
  switch (SEPageControl.CurrentKind()) {
    case kPageInstallDir:
      if (!InstallDirEdit) break;
      if (!InstallDirVisited) {
        InstallDirVisited = true;
        InstallDirEdit->SetCaption(platform::AnsiToWide(InstallDir()));
      }
      InstallDir_Edit_Change();
      break;
    case kPageReady:
      if (LacksSpace()) NextButton.SetEnabled(false);
      if (SpaceAvailableLabel) SpaceAvailableLabel->SetCaption(CaptionPipeline(u"<LANG7>"));
      break;
    case kPageInstalling: RunInstallation(); break;
    case kPageFinish: Close(); break;
    case kPageUninstalling: RunUninstallation(); break;
    default: break;
  }
}

void TFrmMain::BackButtonClick() { SEPageControl.ShowPage(SEPageControl.CurrentPage - 1); }

void TFrmMain::CancelButtonClick() { Close(); }

bool TFrmMain::Close() {
  if (closed_) return true;
  if (!FormCloseQuery()) return false;
  FormClose();
  return true;
}

bool TFrmMain::FormCloseQuery() {
  if (Working) return false;
  if (SEPageControl.CurrentKind() == kPageFinish) return true;
  return platform::ShowMessageBox(Languages().GetText(27), Languages().GetText(28),
                                  platform::MessageButtons::YesNo,
                                  platform::MessageIcon::Question) != platform::MessageResult::No;
}

void TFrmMain::FormClose() {
  if (worker_) {
    worker_->QuitAndWait();
    worker_.reset();
  }
  closed_ = true;
  closedOnFinish_ = SEPageControl.CurrentKind() == kPageFinish;
  if (closedOnFinish_ && IsUninstallMode()) {
    RunFinaliser();
    if (uninstallEnded_) DiscardUninstallJournal(InstallDir(), SetupInfoFile().Info.UninstallPrefix);
  }
  if (view_) view_->WindowClosed();
}

void TFrmMain::SetupLanguages() {
  const TLanguages& languages = Languages();
  const int32_t count = static_cast<int32_t>(languages.Languages.size());
  const int32_t current = languages.CurrentLanguage;
  if (count >= 1 && current >= 0 && current < count)
    LanguageButton.SetCaption(languages.Languages[static_cast<size_t>(current)].Name);
  if (count < 2) LanguageButton.SetVisible(false);
  LanguagePopupMenu.Items.clear();
  for (int32_t i = 0; i < count; ++i)
    LanguagePopupMenu.Items.push_back({languages.Languages[static_cast<size_t>(i)].Name, i, i == current});
  if (view_) view_->MenuChanged(LanguagePopupMenu);
}

void TFrmMain::LanguageButtonClick() {
  if (!view_) return;
  // Just below the button's left edge, corrected for the window frame.
  const TFormGeometry g = view_->FormGeometry();
  const int32_t x = g.left + g.width - g.clientWidth + LanguageButton.Left() - 4;
  const int32_t y = g.top + g.height - g.clientHeight + LanguageButton.Top() + LanguageButton.Height() - 4;
  view_->PopupMenuAt(LanguagePopupMenu, x, y);
}

void TFrmMain::LanguageItemClick(size_t index) {
  TLanguages& languages = Languages();
  const int32_t tag = LanguagePopupMenu.Items[index].Tag;
  if (tag < 0 || tag >= static_cast<int32_t>(languages.Languages.size())) return;
  languages.CurrentLanguage = tag;
  LanguageButton.SetCaption(languages.Languages[static_cast<size_t>(tag)].Name);
  for (TMenuItem& item : LanguagePopupMenu.Items) item.Checked = item.Tag == tag;
  if (view_) view_->MenuChanged(LanguagePopupMenu);
  BackButton.SetCaption(languages.GetText(12));
  NextButton.SetCaption(languages.GetText(13));
  CancelButton.SetCaption(languages.GetText(14));
  SEPageControl.ShowPage(SEPageControl.CurrentPage);
  KeepNextRefused();
  SEPageControl.RelabelAll();
}

void TFrmMain::KeepNextRefused() {
  // Showing a page enables Next; a drive or a free space the page refused stays refused.
  switch (SEPageControl.CurrentKind()) {
    case kPageInstallDir:
      if (InstallDirEdit && !DriveCanTakeInstallation(platform::WideToAnsi(InstallDirEdit->Caption())))
        NextButton.SetEnabled(false);
      break;
    case kPageReady:
      if (LacksSpace()) NextButton.SetEnabled(false);
      break;
    default: break;
  }
}

void TFrmMain::Button2Click() {
  if (view_) view_->ShowDebugListing(DebugListing(SetupPak(), SetupInfoFile().Info));
}

void TFrmMain::ProcessMessages() {
  if (view_) view_->ProcessMessages();
  UiQueue().Drain();
}

void TFrmMain::ShowStatusText(const std::u16string& text) {
  if (StatusLabel) StatusLabel->SetCaption(text);
}

void TFrmMain::ShowFinishText(const std::u16string& text, bool repaint) {
  if (!FinishTextLabel) return;
  FinishTextLabel->SetCaption(text);
  if (repaint && FinishTextLabel->Parent()) FinishTextLabel->Parent()->RepaintNow();
}

void TFrmMain::ShowGaugeProgress(int32_t value) {
  if (ProgressGauge) ProgressGauge->Gauge()->SetProgress(value);
}
