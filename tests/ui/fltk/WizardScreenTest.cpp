// The wizard on a real (virtual) display: a setup made by mksetup is started on a
// private Xvfb, driven with xdotool as a player would drive it, and its pixels are
// checked where the result is certain. Screenshots of every page are kept in the
// build's screenshots/ folder. Skipped only when no X server can be started.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "support/TestMachine.h"
#include "support/screen/ScreenGallery.h"
#include "support/screen/ScreenWizard.h"

namespace fs = std::filesystem;
using namespace screen_test;

namespace {

constexpr Rgb kButtonFace{0xEC, 0xE9, 0xD8};
constexpr Rgb kShadow{0xAC, 0xA8, 0x99};

std::string Bin(const std::string& name) {
  const char* dir = std::getenv("SE_BIN_DIR");
  return std::string(dir ? dir : SE_BINARY_DIR "/bin") + "/" + name;
}

class WizardScreen : public ScreenTest {
 protected:
  void SetUp() override {
    std::string error;
    if (!StartDisplay("", error)) GTEST_SKIP() << "no X server could be started: " << error;
  }

  // Packs a setup script of the work folder; returns the setup program's path.
  std::string Pack(const std::string& script, const std::string& output,
                   const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args{Bin("mksetup"), (work_.Path() / script).string(), "-o",
                                  (work_.Path() / output).string()};
    args.insert(args.end(), extra.begin(), extra.end());
    const CommandResult packed = screen_test::Run(args, "");
    EXPECT_EQ(packed.status, 0) << packed.out;
    return (work_.Path() / output).string();
  }

  // Presses the n-th of a message box's buttons (75 wide, 6 apart, centred, 11 from
  // the bottom).
  void PressBoxButton(const Window& box, int index, int count) {
    const int total = count * 75 + (count - 1) * 6;
    const int x = (box.width - total) / 2 + index * 81 + 37;
    ClickAt(box, x, box.height - 11 - 11);
  }

  testing_support::TempPrefix prefix_;
  testing_support::TempDir work_;
};

TEST_F(WizardScreen, InstallSwitchLanguageRefuseToQuitFinishAndUninstall) {
  WriteRoundTripAddOn(work_.Path(), {});
  const std::string setup = Pack("gui.setup", "GuiTest_Setup.exe");
  // Arguments FLTK would take as its own must not reach it.
  Program program(setup, {"-display", ":9999", "-geometry", "10x10+0+0", "-bg", "red"}, Display(),
                  (work_.Path() / "setup.log").string());

  // The verification window, painted while start-up checks the package.
  const Window verify = WaitForWindow("^Verifying Contents$");
  // Found as soon as it is mapped: wait for its first paint.
  Image verifying;
  WaitUntil(
      [&] {
        verifying = Screenshot(Display()).Crop(verify.x, verify.y, verify.width, verify.height);
        return !verifying.Empty() && verifying.At(8, 48) == kShadow;
      },
      5);
  Keep(verifying, "verifying.png");
  EXPECT_EQ(verify.width, 321);
  EXPECT_EQ(verify.height, 70);
  EXPECT_EQ(verifying.At(8, 48), kShadow) << "the progress bar's frame";
  EXPECT_TRUE(Contains(verifying.Crop(8, 8, 150, 13), kBlack)) << "the label's text";

  const Window w = WaitForWindow("Maps & More @ Harbour");
  EXPECT_EQ(w.width, 578);
  EXPECT_EQ(w.height, 413);
  // The background page's picture sits at the left edge on every page.
  auto sideShown = [](const Image& client) { return StandardSideShown(client, 2); };
  Image welcome;
  EXPECT_TRUE(WaitUntil([&] { return sideShown(welcome = Client(w)); }, 20)) << "the side picture";
  Keep(welcome, "welcome.png");
  CheckStandardWelcomeTexts(welcome);
  EXPECT_TRUE(Uniform(Part(welcome, kBack), kButtonFace)) << "Back is hidden on the first page";
  EXPECT_EQ(welcome.At(300, 375), kShadow) << "the bevel's top line";

  // Ready page: "Install" on Next, Back visible.
  const Image ready = ClickAndWaitForChange(w, kNext, kNext);
  Keep(ready, "ready.png");
  EXPECT_TRUE(sideShown(ready));
  EXPECT_FALSE(Uniform(Part(ready, kBack), kButtonFace));

  // The language menu opens just below the button; the second entry is Czech.
  const Image withMenu = ClickAndWaitForChange(w, kLanguage, {4, 405, 8, 8});
  Keep(Screenshot(Display()).Crop(w.x, w.y, w.width, w.height + 80), "language-menu.png");
  ClickAt(w, 4 + 30, 405 + 10 + 18);
  Image czech;
  EXPECT_TRUE(WaitUntil(
      [&] {
        czech = Client(w);
        return !(Part(czech, kLanguage) == Part(ready, kLanguage)) &&
               !(Part(czech, kNext) == Part(ready, kNext));
      },
      20))
      << "the language did not change";
  Keep(czech, "ready-czech.png");

  // Cancel asks; "No" keeps the wizard. Escape does not close it either.
  ClickOn(w, kCancel);
  const Window question = WaitForWindow("^Ukon");
  Keep(Screenshot(Display()), "quit-question.png");
  PressBoxButton(question, 1, 2);
  WaitForWindowGone("^Ukon");
  KeyOver(Display(), w, "Escape");
  ASSERT_TRUE(FindWindow(Display(), "Maps & More @ Harbour"));

  // Install: the setup thread's question arrives half way.
  ClickOn(w, kNext);
  const Window checkpoint = WaitForWindow("^Checkpoint$");
  const Image installing = Client(w);
  Keep(Screenshot(Display()), "installing.png");
  // Four of eight files.
  CheckGaugeAtHalf(installing, kGauge, kBlack, {0xE8, 0xA3, 0x3A}, {0xDF, 0xE6, 0xED});
  PressBoxButton(checkpoint, 0, 2);

  // Finish page: Back and Next hidden, Cancel reads "Finish" (in Czech).
  Image finished;
  EXPECT_TRUE(WaitUntil(
      [&] {
        finished = Client(w);
        return Uniform(Part(finished, kNext), kButtonFace) &&
               !(Part(finished, kCancel) == Part(czech, kCancel));
      },
      30))
      << "the finish page did not come";
  Keep(finished, "finished.png");
  ClickOn(w, kCancel);
  EXPECT_EQ(program.Wait(30), std::optional<int>(0));

  const fs::path installed = prefix_.DriveC() / "Games" / "GuiTest";
  for (const char* name :
       {"a1.txt", "a4.txt", "b1.txt", "b4.txt", "GuiTest_install.log", "GuiTest_Uninstall.exe"})
    EXPECT_TRUE(fs::exists(installed / name)) << name;

  // The uninstaller on screen: welcome, ready ("Uninstall"), removal, finish.
  Program uninstaller((installed / "GuiTest_Uninstall.exe").string(), {}, Display(),
                      (work_.Path() / "uninstall.log").string());
  const Window u = WaitForWindow("Maps and More Uninstallation");
  WaitUntil([&] { return sideShown(Client(u)); }, 20);
  Keep(Client(u), "uninstall-welcome.png");
  const Image uReady = ClickAndWaitForChange(u, kNext, kNext);
  Keep(uReady, "uninstall-ready.png");
  const Image uFinished = ClickAndWaitForChange(u, kNext, kCancel);
  EXPECT_TRUE(WaitUntil([&] { return Uniform(Part(Client(u), kNext), kButtonFace); }, 20));
  Keep(Client(u), "uninstall-finished.png");
  ClickOn(u, kCancel);
  EXPECT_EQ(uninstaller.Wait(30), std::optional<int>(0));
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(installed); }, 20)) << "the installation directory stays";
}

// One page with a control of every class, checked pixel by pixel where the outcome is
// certain; Next reads text 15 there. Then the install: its gauge half way, the finish
// page with "Finish" on Cancel.
TEST_F(WizardScreen, EveryControlClassOnOnePage) {
  WriteGalleryAddOn(work_.Path(), Bin("data") + "/languages");
  const std::string setup =
      Pack("gallery.setup", "Gallery_Setup.exe", {"--data", (work_.Path() / "data").string()});
  Program program(setup, {}, Display(), (work_.Path() / "gallery.log").string());

  const Window w = WaitForWindow("^ Gallery$");
  // The first page; the focus away from the buttons, so that Next shows its caption alone.
  ASSERT_TRUE(WaitUntil([&] { return GallerySideShown(Client(w), 2); }, 20));
  ClickAt(w, kFocusEdit.x + 10, kFocusEdit.y + 10);
  Pause(0.5);
  const Image intro = Client(w);
  EXPECT_TRUE(SameCaption(Part(intro, kNext), Part(intro, kNextPanel), kButtonFace)) << "Next reads Next >";
  Image page = ClickAndWaitForChange(w, kNext, {10, 10, 25, 25});
  ClickAt(w, 10 + 100, 130 + 10);
  Pause(0.5);
  page = Client(w);
  Keep(page, "gallery.png");
  CheckGalleryPage(page, {kButtonFace, kShadow, kWhite});
  EXPECT_TRUE(SameCaption(Part(page, kNext), Part(page, kInstallPanel), kButtonFace)) << "Next reads Install";
  // Memo and rich edit: a single border.
  const Rgb frame{0x7F, 0x9D, 0xB9};
  EXPECT_EQ(page.At(250, 10), frame);
  EXPECT_EQ(page.At(250, 100), frame);
  const std::optional<std::string> temp = [] {
    const char* p = std::getenv("WINEPREFIX");
    return p ? std::optional<std::string>(p) : std::nullopt;
  }();
  ASSERT_TRUE(temp);
  for (const auto& entry : fs::recursive_directory_iterator(*temp))
    EXPECT_NE(entry.path().filename(), "RETL.temp") << "the rich edit's temporary file stays";

  // Radio buttons: the second one checked by a click, the first one no more.
  const Rgb dot{0x21, 0xA1, 0x21};
  EXPECT_EQ(page.At(10 + 6, 215 + 10), dot);
  ClickAt(w, 10 + 6, 240 + 10);
  EXPECT_TRUE(WaitUntil([&] { return Client(w).At(10 + 6, 240 + 10) == dot; }, 20));
  EXPECT_EQ(Client(w).At(10 + 6, 215 + 10), kWhite);

  // Install: the question half way, the gauge at 50 %, the side picture still there.
  ClickOn(w, kNext);
  const Window checkpoint = WaitForWindow("^Checkpoint$");
  const Image progress = Client(w);
  Keep(progress, "gallery-progress.png");
  CheckGalleryGaugeAtHalf(progress);
  EXPECT_TRUE(GallerySideShown(progress, 2));
  PressBoxButton(checkpoint, 0, 2);

  // The finish page: Cancel reads text 16.
  Image finished;
  EXPECT_TRUE(WaitUntil([&] { return Uniform(Part(finished = Client(w), kNext), kButtonFace); }, 30));
  ClickAt(w, kFocusEdit.x + 10, kFocusEdit.y + 10);
  Pause(0.5);
  finished = Client(w);
  Keep(finished, "gallery-finished.png");
  EXPECT_TRUE(SameCaption(Part(finished, kCancel), Part(finished, kFinishPanel), kButtonFace))
      << "Cancel reads Finish";
  ClickOn(w, kCancel);
  EXPECT_EQ(program.Wait(30), std::optional<int>(0));
  EXPECT_TRUE(fs::exists(prefix_.DriveC() / "Gallery" / "b4.txt"));
}

}  // namespace

namespace {

// The pages with a language page and a directory page: a radio button picked, a
// folder opened and picked in the tree (its path goes into the edit box), then the
// setup cancelled.
TEST_F(WizardScreen, LanguagePageAndDirectoryPageWithItsFolderTree) {
  WriteRoundTripAddOn(work_.Path(), {.pages = "full"});
  fs::create_directories(prefix_.DriveC() / "Games" / "Older Game");
  const std::string setup = Pack("gui.setup", "GuiTest_Setup.exe");
  Program program(setup, {}, Display(), (work_.Path() / "full.log").string());
  const Window w = WaitForWindow("Maps & More @ Harbour");
  WaitUntil([&] { return Client(w).At(176, 200) == kBlack; }, 20);

  // Language page: the second option checked by a click.
  const Image language = ClickAndWaitForChange(w, kNext, {196, 24, 364, 44});
  const Rgb dot{0x21, 0xA1, 0x21};
  EXPECT_EQ(language.At(212 + 6, 120 + 10), dot);
  ClickAt(w, 212 + 6, 144 + 10);
  EXPECT_TRUE(WaitUntil([&] { return Client(w).At(212 + 6, 144 + 10) == dot; }, 20));
  Keep(Client(w), "language-page.png");

  // Directory page: the edit box shows the installation directory; the tree lists the
  // drives with C: open.
  const Box edit{196, 110, 364, 21}, tree{196, 138, 364, 166};
  const Image directory = ClickAndWaitForChange(w, kNext, {196, 24, 364, 44});
  Keep(directory, "directory-page.png");
  EXPECT_FALSE(Uniform(Part(directory, edit).Crop(4, 4, 100, 12), kWhite)) << "the path";
  // Rows of 16 pixels: Desktop, My Computer, C:, then C:'s folders: Games (where the
  // tree starts, "C:\Games\GuiTest" being cut back to it), Program Files, users.
  auto rowCentre = [](int row) { return 150 + 16 * row; };
  const Image picked = ClickAndWaitForChange(w, {300, rowCentre(5) - 4, 40, 8}, edit);
  Keep(picked, "directory-picked.png");
  EXPECT_FALSE(Part(picked, tree) == Part(directory, tree)) << "the pick shows in the tree";
  // Opening "Games" lists its folder below it, which moves "users" down a row.
  const Image opened = ClickAndWaitForChange(w, {196 + 58, rowCentre(3) - 2, 4, 4}, tree);
  Keep(opened, "directory-opened.png");
  const Rgb selected{0x31, 0x6A, 0xC5};
  EXPECT_TRUE(Contains(Part(picked, {196 + 100, rowCentre(5) - 3, 100, 6}), selected));
  EXPECT_TRUE(Contains(Part(opened, {196 + 100, rowCentre(6) - 3, 100, 6}), selected))
      << "the picked folder one row further down";
  EXPECT_FALSE(Contains(Part(opened, {196 + 100, rowCentre(5) - 3, 100, 6}), selected));
  EXPECT_TRUE(Part(opened, edit) == Part(picked, edit)) << "opening a folder does not pick it";

  ClickOn(w, kCancel);
  const Window question = WaitForWindow("^Quit$");
  PressBoxButton(question, 0, 2);
  EXPECT_EQ(program.Wait(30), std::optional<int>(3));
}

// The installation directory exists two folders below the drive: the directory page
// shows it selected, the folders above it opened, though the walk that opens the
// tree's nodes stops at the drive.
TEST_F(WizardScreen, TheDirectoryPageShowsTheChosenFolderSelected) {
  WriteRoundTripAddOn(work_.Path(), {.pages = "full"});
  fs::create_directories(prefix_.DriveC() / "Games" / "GuiTest");
  const std::string setup = Pack("gui.setup", "GuiTest_Setup.exe");
  Program program(setup, {}, Display(), (work_.Path() / "reveal.log").string());
  const Window w = WaitForWindow("Maps & More @ Harbour");
  WaitUntil([&] { return Client(w).At(176, 200) == kBlack; }, 20);
  ClickAndWaitForChange(w, kNext, {196, 24, 364, 44});
  const Image directory = ClickAndWaitForChange(w, kNext, {196, 24, 364, 44});
  Keep(directory, "directory-revealed.png");
  // Rows of 16 pixels: Desktop, My Computer, C:, Games, GuiTest (selected).
  auto row = [](int n) { return Box{196 + 100, 150 + 16 * n - 3, 100, 6}; };
  const Rgb selected{0x31, 0x6A, 0xC5};
  EXPECT_TRUE(Contains(Part(directory, row(4)), selected)) << "GuiTest selected in sight";
  EXPECT_FALSE(Contains(Part(directory, row(3)), selected));

  ClickOn(w, kCancel);
  const Window question = WaitForWindow("^Quit$");
  PressBoxButton(question, 0, 2);
  EXPECT_EQ(program.Wait(30), std::optional<int>(3));
}

}  // namespace
