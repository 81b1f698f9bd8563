// The wizard window's flow: set-up, buttons by page kind, the ready page's space
// check, closing, the installation handshake and the language switch.
#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "engine/SE_Uninstall_List.h"
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

using namespace ui_test;
using testing_support::TempPrefix;

namespace {

// Answers every message box with the next of the given answers (then Yes), writing
// "Caption: text" down.
struct Boxes {
  std::vector<platform::MessageResult> answers;
  std::vector<std::string> shown;
  Boxes() {
    platform::SetMessageBoxHandler([this](const std::u16string& text, const std::u16string& caption,
                                          platform::MessageButtons, platform::MessageIcon) {
      shown.push_back(Utf8(caption) + ": " + Utf8(text));
      if (answers.empty()) return platform::MessageResult::Yes;
      const platform::MessageResult answer = answers.front();
      answers.erase(answers.begin());
      return answer;
    });
  }
  ~Boxes() { platform::SetMessageBoxHandler({}); }
};

struct ButtonState {
  bool backVisible, nextVisible, nextEnabled, cancelEnabled, languageVisible;
  std::string next, cancel;
  bool operator==(const ButtonState&) const = default;
};

ButtonState StateOf(const TFrmMain& f) {
  return {f.BackButton.Visible(),        f.NextButton.Visible(),     f.NextButton.Enabled(),
          f.CancelButton.Enabled(),      f.LanguageButton.Visible(), Utf8(f.NextButton.Caption()),
          Utf8(f.CancelButton.Caption())};
}

std::ostream& operator<<(std::ostream& out, const ButtonState& s) {
  return out << s.backVisible << s.nextVisible << s.nextEnabled << s.cancelEnabled << s.languageVisible << " "
             << s.next << " / " << s.cancel;
}

}  // namespace

TEST(FormMain, SetPagesUpTitlesTheWindowAndExpandsTheDirectory) {
  TempPrefix prefix;
  UseStandardPackage(prefix, "standard");
  SetupInfoFile().Info.SetupName = "Demo Game: Harbour Maps";
  SetupVariables().ProgramFilesDir = "C:\\Program Files\\";
  InstallDir() = "$PROGRAMFILES\\Demo";
  RecordingView view;
  TFrmMain form(&view, nullptr);
  ASSERT_TRUE(form.SetPagesUp());
  EXPECT_EQ(Utf8(form.ApplicationTitle()), "Demo Game: Harbour Maps");
  EXPECT_EQ(Utf8(form.Caption()), " Demo Game: Harbour Maps");
  EXPECT_EQ(InstallDir(), "C:\\Program Files\\Demo");
  EXPECT_EQ(form.Panel1.Colour(), 0);  // the page list's colour
  EXPECT_NE(form.StatusLabel, nullptr);
  EXPECT_NE(form.ProgressGauge, nullptr);
  EXPECT_NE(form.FinishTextLabel, nullptr);
  EXPECT_NE(form.SpaceAvailableLabel, nullptr);
  EXPECT_EQ(form.InstallDirEdit, nullptr);
  EXPECT_EQ(form.InstallDirTree, nullptr);
  EXPECT_EQ(Utf8(form.LanguageButton.Caption()), "English");
  EXPECT_EQ(view.With("menu").back(), "menu English*,Čeština,");
  EXPECT_EQ(Utf8(form.BackButton.Caption()), "< Back");
}

TEST(FormMain, UninstallModeTitleAndASingleLanguageHidesTheButton) {
  TempPrefix prefix;
  UseStandardPackage(prefix, "uninstall", {}, /*uninstallTables=*/true);
  SetupInfoFile().Info.ShortName = "Harbour Maps";
  SetupInfoFile().Info.Uninstall = 1;
  TFrmMain form(nullptr, nullptr);
  ASSERT_TRUE(form.SetPagesUp());
  EXPECT_EQ(Utf8(form.ApplicationTitle()), "Harbour Maps Uninstallation");
  EXPECT_FALSE(form.LanguageButton.Visible());
  EXPECT_EQ(form.LanguagePopupMenu.Items.size(), 1u);
}

TEST(FormMain, APageListWithoutPagesCannotStart) {
  TempPrefix prefix;
  UseStandardPackage(prefix, "standard");
  Boxes boxes;
  TFrmMain empty(nullptr, nullptr, [](const std::string& name) -> std::optional<std::vector<uint8_t>> {
    if (name == "Pages.txt") return std::vector<uint8_t>{'[', 'P', 'a', 'g', 'e', 's', ']'};
    return std::nullopt;
  });
  EXPECT_FALSE(empty.SetPagesUp());
  TFrmMain missing(nullptr, nullptr, [](const std::string&) { return std::nullopt; });
  EXPECT_FALSE(missing.SetPagesUp());
  EXPECT_EQ(boxes.shown, (std::vector<std::string>{"Missing File: Error File Missing: Pages.txt"}));
}

TEST(FormMain, ButtonsFollowThePageKind) {
  TempPrefix prefix;
  UseStandardPackage(prefix, "standard");
  FakeWorker* worker = nullptr;
  auto owned = std::make_unique<FakeWorker>([] {});
  worker = owned.get();
  TFrmMain form(nullptr, std::move(owned));
  ASSERT_TRUE(form.SetPagesUp());
  const ButtonState welcome{false, true, true, true, true, "Next >", "Cancel"};
  const ButtonState ready{true, true, true, true, true, "Install", "Cancel"};
  const ButtonState finish{false, false, true, true, false, "Next >", "Finish"};
  EXPECT_EQ(StateOf(form), welcome);
  form.NextButton.Click();
  EXPECT_EQ(StateOf(form), ready);
  form.BackButton.Click();
  EXPECT_EQ(StateOf(form), welcome);
  form.NextButton.Click();
  form.NextButton.Click();  // the progress page runs and moves on by itself
  EXPECT_EQ(worker->starts, 1);
  EXPECT_EQ(form.SEPageControl.CurrentKind(), kPageFinish);
  EXPECT_EQ(StateOf(form), finish);
  EXPECT_FALSE(form.Working);

  // The progress page itself: Back hidden, Next and Cancel disabled, language hidden.
  form.SEPageControl.ShowPage(2);
  EXPECT_EQ(StateOf(form), (ButtonState{false, false, false, false, false, "Next >", "Finish"}));
  // Visiting the ready page again does not bring back what the finish page hid.
  form.SEPageControl.ShowPage(1);
  EXPECT_EQ(StateOf(form), (ButtonState{true, false, true, true, false, "Install", "Finish"}));
}

TEST(FormMain, AFirstPageOfTheReadyOrFinishKindHasItsCaptionsFromTheStart) {
  struct Case {
    const char* firstLayout;
    const char* firstKind;
    const char* next;
    const char* cancel;
  };
  const Case cases[] = {
      {"layout.txt", "Welcome", "Next >", "Cancel"},
      {"layout3.txt", "Patch", "Install", "Cancel"},
      {"layout5.txt", "Finish", "Next >", "Finish"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firstKind);
    TempPrefix prefix;
    UseStandardPackage(prefix, "standard");
    const std::string pages = std::string("[Pages]\r\n") + c.firstLayout +
                              "\r\nmainlayout.txt\r\n[PageTypes]\r\n" + c.firstKind +
                              "\r\nMainLayout\r\n[Settings]\r\ncolour $000000\r\n";
    TEntryReader standard = SetupPakReader();
    TFrmMain form(nullptr, nullptr, [&](const std::string& name) -> std::optional<std::vector<uint8_t>> {
      if (name == "Pages.txt") return std::vector<uint8_t>(pages.begin(), pages.end());
      return standard(name);
    });
    ASSERT_TRUE(form.SetPagesUp());
    EXPECT_EQ(Utf8(form.NextButton.Caption()), c.next);
    EXPECT_EQ(Utf8(form.CancelButton.Caption()), c.cancel);
  }
}

TEST(FormMain, ReadyPageRefusesNextWithoutSpaceAndShowsTheSpaceAvailable) {
  TempPrefix prefix;
  UseStandardPackage(prefix, "standard");
  SetupVariables().SpaceRequired = 2048;
  SetupVariables().SpaceAvailable = 1024;
  SetupVariables().SpaceAvailableText = "1.00 KB";
  TFrmMain form(nullptr, nullptr);
  ASSERT_TRUE(form.SetPagesUp());
  form.NextButton.Click();
  EXPECT_FALSE(form.NextButton.Enabled());
  EXPECT_EQ(Utf8(form.SpaceAvailableLabel->Caption()), "Space available 1.00 KB");
  form.NextButton.Click();  // disabled: nothing happens
  EXPECT_EQ(form.SEPageControl.CurrentPage, 1);

  form.BackButton.Click();
  SetupVariables().SpaceAvailable = 4096;
  SetupVariables().SpaceAvailableText = "4.00 KB";
  form.NextButton.Click();
  EXPECT_TRUE(form.NextButton.Enabled());
  EXPECT_EQ(Utf8(form.SpaceAvailableLabel->Caption()), "Space available 4.00 KB");
}

TEST(FormMain, ClosingAsksTheQuitQuestionExceptOnTheFinishPage) {
  TempPrefix prefix;
  UseStandardPackage(prefix, "standard");
  Boxes boxes;
  boxes.answers = {platform::MessageResult::No, platform::MessageResult::Yes};
  RecordingView view;
  TFrmMain form(&view, nullptr);
  ASSERT_TRUE(form.SetPagesUp());
  form.CancelButton.Click();
  EXPECT_FALSE(form.Closed());
  form.Working = true;  // while a run goes on, closing is refused without a question
  EXPECT_FALSE(form.Close());
  form.Working = false;
  form.CancelButton.Click();
  EXPECT_TRUE(form.Closed());
  EXPECT_FALSE(form.ClosedOnFinishPage());
  EXPECT_EQ(boxes.shown, (std::vector<std::string>{"Quit: Are you sure you want to quit the installation?",
                                                   "Quit: Are you sure you want to quit the installation?"}));
  EXPECT_EQ(view.With("closed").size(), 1u);

  TFrmMain finished(nullptr, nullptr);
  ASSERT_TRUE(finished.SetPagesUp());
  finished.SEPageControl.ShowPage(3);
  finished.CancelButton.Click();
  EXPECT_TRUE(finished.ClosedOnFinishPage());
  EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST(FormMain, InstallationHandsTheRunToTheSetupThreadAndShowsItsChanges) {
  TempPrefix prefix;
  UseStandardPackage(prefix, "full", {{"a.txt", "A", 1}, {"b.txt", "B", 1}, {"c.dat", "C", 2}});
  InstallDir() = "C:\\Games\\Demo\\";
  std::thread::id workerThread;
  auto worker = std::make_unique<FakeWorker>([&] {
    workerThread = std::this_thread::get_id();
    SetStatusText(u"Extracting a.txt");
    StepProgress(true);
    SetStatusText(u"Extracting b.txt");
    StepProgress(true);
    StepProgress(false);
    SetFinishText(u"All done.", true);
  });
  RecordingView view;
  TFrmMain form(&view, std::move(worker));
  ASSERT_TRUE(form.SetPagesUp());
  view.events.clear();
  // The language page: its checked radio button gives $LANGUAGESELECTION.
  form.NextButton.Click();
  ASSERT_EQ(form.SEPageControl.CurrentKind(), kPageLanguageSelection);
  form.SEPageControl.Pages[1]->Controls[3]->UserCheck();  // "Czech"
  form.NextButton.Click();                                // directory page
  form.NextButton.Click();                                // ready page
  form.NextButton.Click();                                // the installation
  EXPECT_EQ(form.SEPageControl.CurrentKind(), kPageFinish);
  EXPECT_TRUE(form.RunCompleted());
  EXPECT_NE(workerThread, std::this_thread::get_id());
  EXPECT_EQ(Utf8(SetupVariables().LanguageSelection), "Czech");
  EXPECT_EQ(form.ProgressMax, 3);
  EXPECT_EQ(UninstallList().Directories(), (std::vector<std::string>{"C:\\Games\\Demo\\"}));
  EXPECT_EQ(view.With("caption patching_statuslabel"),
            (std::vector<std::string>{"caption patching_statuslabel Status: 0 of 3 files extracted",
                                      "caption patching_statuslabel Extracting a.txt",
                                      "caption patching_statuslabel Extracting b.txt"}));
  // The gauge's maximum is the number of grouped entries; it showed steps 1 and 2 (the
  // third step counted without showing).
  EXPECT_EQ(view.GaugeSequence("patching_progressbar"), (std::vector<std::string>{"0 0%", "1 33%", "2 66%"}));
  EXPECT_EQ(Utf8(form.FinishTextLabel->Caption()), "All done.");
  EXPECT_EQ(view.With("repaint").back(), "repaint Panel1");
  EXPECT_EQ(UiQueue().Pending(), 0u);
}

TEST(FormMain, AnUnexpectedErrorEndsTheWindowThroughTheReport) {
  TempPrefix prefix;
  UseStandardPackage(prefix, "standard");
  struct Throwing : TInstallWorker {
    void StartRun() override { throw std::runtime_error("thread could not start"); }
    bool Running() const override { return false; }
    void QuitAndWait() override {}
  };
  RecordingView view;
  TFrmMain form(&view, std::make_unique<Throwing>());
  std::vector<std::string> reported;
  form.OnUnexpectedError = [&](const std::string& text) { reported.push_back(text); };
  ASSERT_TRUE(form.SetPagesUp());
  form.NextButton.Click();
  form.NextButton.Click();
  EXPECT_EQ(reported, (std::vector<std::string>{"thread could not start"}));
  EXPECT_TRUE(form.Terminated());
  EXPECT_TRUE(form.Closed());
  EXPECT_FALSE(form.Working);
}

TEST(FormMain, LanguageSwitchRelabelsEveryPageAndTheButtons) {
  TempPrefix prefix;
  UseStandardPackage(prefix, "standard");
  SetupInfoFile().Info.SetupName = "Harbour Maps";
  RecordingView view;
  TFrmMain form(&view, nullptr);
  ASSERT_TRUE(form.SetPagesUp());
  form.NextButton.Click();  // on the ready page, so Next reads text 15
  form.LanguageButton.Click();
  // Below the button's left edge, corrected for the frame: 100 + (584 - 578) + 8 - 4
  // and 50 + (442 - 413) + 384 + 25 - 4.
  EXPECT_EQ(view.With("popup"), (std::vector<std::string>{"popup 110 484"}));
  form.LanguagePopupMenu.Choose(1);
  EXPECT_EQ(Languages().CurrentLanguage, 1);
  EXPECT_EQ(Utf8(form.LanguageButton.Caption()), "Čeština");
  EXPECT_EQ(view.With("menu").back(), "menu English,Čeština*,");
  EXPECT_EQ(Utf8(form.BackButton.Caption()), Utf8(Languages().GetText(12)));
  EXPECT_EQ(Utf8(form.NextButton.Caption()), "Instalovat");
  EXPECT_EQ(Utf8(form.CancelButton.Caption()), "Storno");
  // Every label of every page, shown or not, speaks the new language.
  for (const auto& page : form.SEPageControl.Pages)
    for (size_t i = 0; i < page->Controls.size(); ++i)
      if (page->Controls[i]->Kind() == TControlKind::Label) {
        EXPECT_EQ(Utf8(page->Controls[i]->Caption()), Utf8(CaptionPipeline(page->Captions[i])));
      }
  EXPECT_EQ(Utf8(form.SEPageControl.Pages[0]->Controls[0]->Caption()), "Vítá vás instalace Harbour Maps");
  EXPECT_EQ(Utf8(form.FinishTextLabel->Caption()), Utf8(Languages().GetText(11)));
  EXPECT_NE(Utf8(form.FinishTextLabel->Caption()), "The setup has finished. You may close this program.");
}

// Showing the page again in another language must not give back a Next the page
// refused: too little space on the ready page, a refused drive on the directory page.
TEST(FormMain, LanguageSwitchKeepsARefusedNextRefused) {
  const struct {
    const char* page;    // "ready" or "directory"
    uint64_t available;  // bytes free, against 2048 required
    const char* typed;   // typed on the directory page
    bool next;
  } cases[] = {
      {"ready", 1024, nullptr, false},
      {"ready", 4096, nullptr, true},
      {"directory", 4096, "Q:\\Nowhere", false},
      {"directory", 4096, "C:\\Games", true},
  };
  for (const auto& c : cases) {
    TempPrefix prefix;
    UseStandardPackage(prefix, "full");
    InstallDir() = "C:\\Games";
    TFrmMain form(nullptr, nullptr);
    ASSERT_TRUE(form.SetPagesUp());
    form.NextButton.Click();  // language selection
    form.NextButton.Click();  // directory
    if (c.typed) form.InstallDirEdit->UserSetText(Wide(c.typed));
    SetupVariables().SpaceRequired = 2048;
    SetupVariables().SpaceAvailable = c.available;
    if (!c.typed) form.NextButton.Click();  // ready
    ASSERT_EQ(form.SEPageControl.CurrentKind(), c.typed ? kPageInstallDir : kPageReady);
    ASSERT_EQ(form.NextButton.Enabled(), c.next) << c.page << " " << c.available;
    form.LanguagePopupMenu.Choose(1);
    EXPECT_EQ(Utf8(form.BackButton.Caption()), Utf8(Languages().GetText(12)));
    EXPECT_EQ(form.NextButton.Enabled(), c.next) << c.page << " " << c.available;
    form.LanguagePopupMenu.Choose(0);
    EXPECT_EQ(form.NextButton.Enabled(), c.next) << c.page << " " << c.available;
  }
}

TEST(FormMain, FormatItemProgressAndTheDebugListing) {
  TempPrefix prefix;
  UseStandardPackage(prefix, "standard", {{"data.bin", "x", 2}});
  EXPECT_EQ(Utf8(TFrmMain::FormatItemProgress(u"maps.ztp", 3, 12)), "Processing maps.ztp: 3 of 12 files");
  RecordingView view;
  TFrmMain form(&view, nullptr);
  form.Button2.Click();  // hidden: nothing
  EXPECT_TRUE(view.With("debug").empty());
  form.Button2Click();
  const size_t lines = 6 + SetupPak().Count() + 9;
  EXPECT_EQ(view.With("debug"), (std::vector<std::string>{"debug " + std::to_string(lines)}));
  SetupInfoFile().Info.InstallDirRegKey = {1, "Software\\Demo", "Path"};
  const std::vector<std::string> listing = DebugListing(SetupPak(), SetupInfoFile().Info);
  EXPECT_EQ(std::vector<std::string>(listing.begin(), listing.begin() + 6),
            (std::vector<std::string>{"Header", "ID: ZTPF", "Version: 1",
                                      "File Count: " + std::to_string(SetupPak().Count()), "", "Files:"}));
  EXPECT_EQ(listing[6 + SetupPak().Count() - 1], "\"data.bin\" Group: 2");
  EXPECT_EQ(std::vector<std::string>(listing.end() - 4, listing.end()),
            (std::vector<std::string>{"InstallDirRegKey.HKEY: HKEY_CURRENT_USER",
                                      "InstallDirRegKey.Path: Software\\Demo", "InstallDirRegKey.Key: Path",
                                      "Changelog: "}));
}
