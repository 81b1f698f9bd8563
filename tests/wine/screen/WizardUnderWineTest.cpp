// The Windows wizard under Wine on a private Xvfb (Wine's windows are X windows),
// driven with xdotool as a player would drive it: an install clicked through with a
// language switch, Cancel -> No, a message box from the setup thread, Finish, then the
// uninstaller's wizard removing everything; one page with a control of every class;
// and the directory page with a pick in its folder tree. Pixels are checked where the
// result is certain.
#include <filesystem>
#include <memory>
#include <string>

#include "WineWizard.h"

namespace fs = std::filesystem;
using namespace screen_test;

namespace {

using WizardUnderWine = WineWizard;

TEST_F(WizardUnderWine, InstallSwitchLanguageRefuseToQuitFinishAndUninstall) {
  const fs::path installed = HostDir("Games/WineGuiTest");
  fs::remove_all(installed);
  WriteRoundTripAddOn(work_.Path(), {.prefix = "WineGui", .installDir = "C:\\Games\\WineGuiTest"});
  auto setup = Start(Pack("gui.setup", "WineGui_Setup.exe"), "setup.log");

  // The verification window, painted while start-up checks the package: the label's
  // text and the progress bar's sunken frame.
  const Window verifyOuter = WaitForWindow("^Verifying Contents$");
  const Window verify = ClientOf(verifyOuter, 321, 70);
  EXPECT_EQ((verifyOuter.width - 321) % 2, 0) << "client area 321 wide";
  Image verifying;
  WaitUntil(
      [&] {
        verifying = Client(verify);
        return !verifying.Empty() && !(verifying.At(9, 48) == verifying.At(9, 40));
      },
      10);
  Keep(verifying, "verifying.png");
  EXPECT_FALSE(verifying.At(9, 48) == verifying.At(9, 40)) << "the progress bar's frame";
  EXPECT_TRUE(Brightest(verifying.Crop(8, 8, 150, 13)) == verifying.At(2, 2)) << "text on the face";

  const Window w = MainClient(WaitForWindow("Maps & More @ Harbour"));
  // The background page's picture sits at the left edge on every page.
  auto sideShown = [](const Image& client) { return StandardSideShown(client, kJpegTolerance); };
  Image welcome;
  EXPECT_TRUE(WaitUntil([&] { return sideShown(welcome = Client(w)); }, 20)) << "the side picture";
  Keep(welcome, "welcome.png");
  CheckStandardWelcomeTexts(welcome);
  const Rgb face = welcome.At(200, 395);
  EXPECT_TRUE(Uniform(Part(welcome, kBack), face)) << "Back is hidden on the first page";
  EXPECT_FALSE(welcome.At(300, 375) == face) << "the bevel's shadow line";
  EXPECT_EQ(welcome.At(300, 376), kWhite) << "the bevel's highlight line";

  // Ready page, reached with the keyboard: Enter presses the focused Next.
  Keys("Return");
  Image ready;
  EXPECT_TRUE(WaitUntil([&] { return !Uniform(Part(ready = Client(w), kBack), face); }, 20)) << "Back shows";
  Keep(ready, "ready.png");
  EXPECT_TRUE(sideShown(ready));
  EXPECT_FALSE(Part(ready, kNext) == Part(welcome, kNext)) << "Next reads Install";

  // The language menu opens below the button; the second entry is Czech.
  ClickOn(w, kLanguage);
  EXPECT_TRUE(WaitUntil([&] { return !(Part(Client(w), kLanguage) == Part(ready, kLanguage)); }, 10));
  Pause(0.5);  // the menu maps after the button shows pressed
  Keep(Screenshot(Display()).Crop(w.x, w.y, w.width, w.height + 80), "language-menu.png");
  ClickAt(w, 40, 435);
  Image czech;
  EXPECT_TRUE(WaitUntil(
      [&] {
        czech = Client(w);
        // The button's caption is narrower in Czech: the glyph moves left.
        return !(Part(czech, kLanguage) == Part(ready, kLanguage)) &&
               !(Part(czech, kCancel) == Part(ready, kCancel));
      },
      20))
      << "the language did not change";
  Keep(czech, "ready-czech.png");

  // Cancel asks; "No" keeps the wizard. Escape does not close it either.
  ClickOn(w, kCancel);
  const Window question = WaitForWindow("^Ukon", 20);
  Keep(Screenshot(Display()), "quit-question.png");
  KeyOver(Display(), question, "n");
  WaitForWindowGone("^Ukon");
  KeyOver(Display(), w, "Escape");
  Pause(0.5);
  ASSERT_TRUE(FindWindow(Display(), "Maps & More @ Harbour")) << "Escape closed the wizard";

  // Install: the setup thread's question arrives half way, the gauge at 50 %.
  ClickOn(w, kNext);
  const Window checkpoint = WaitForWindow("^Checkpoint$", 30);
  Image installing;
  WaitUntil([&] { return (installing = Client(w)).At(kGauge.x + 1, kGauge.y + 5) == kGaugeBorder; }, 10);
  Keep(Screenshot(Display()), "installing.png");
  // Four of eight files.
  CheckGaugeAtHalf(installing, kGauge, kBlack, {0xE8, 0xA3, 0x3A}, {0xDF, 0xE6, 0xED});
  KeyOver(Display(), checkpoint, "Return");

  // Finish page: Back and Next hidden, Cancel reads "Finish" (in Czech).
  Image finished;
  EXPECT_TRUE(WaitUntil(
      [&] {
        finished = Client(w);
        return Uniform(Part(finished, kNext), face) && !(Part(finished, kCancel) == Part(czech, kCancel));
      },
      30))
      << "the finish page did not come";
  Keep(finished, "finished.png");
  ClickOn(w, kCancel);
  EXPECT_EQ(setup->Wait(30), std::optional<int>(0));
  for (const char* name :
       {"a1.txt", "a4.txt", "b1.txt", "b4.txt", "WineGui_install.log", "WineGui_Uninstall.exe"})
    EXPECT_TRUE(fs::exists(installed / name)) << name;

  // The uninstaller on screen: welcome, ready ("Uninstall"), removal, finish.
  auto uninstaller = Start((installed / "WineGui_Uninstall.exe").string(), "uninstall.log");
  const Window u = MainClient(WaitForWindow("Maps and More Uninstallation"));
  WaitUntil([&] { return sideShown(Client(u)); }, 20);
  Keep(Client(u), "uninstall-welcome.png");
  const Image uReady = ClickAndWaitForChange(u, kNext, kNext);
  Keep(uReady, "uninstall-ready.png");
  ClickAndWaitForChange(u, kNext, kCancel);
  EXPECT_TRUE(WaitUntil([&] { return Uniform(Part(Client(u), kNext), face); }, 20));
  Keep(Client(u), "uninstall-finished.png");
  ClickOn(u, kCancel);
  EXPECT_EQ(uninstaller->Wait(30), std::optional<int>(0));
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(installed / "a1.txt"); }, 20)) << "the files stay";
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(installed / "WineGui_Uninstall.exe"); }, 20))
      << "the finaliser did not remove the uninstaller";
}

}  // namespace

namespace {

// One page with a control of every class, checked pixel by pixel where the outcome is
// certain, as the FLTK view's test checks it; Next reads text 15 there. Then the
// install: the gauge half way, the finish page with "Finish" on Cancel.
TEST_F(WizardUnderWine, EveryControlClassOnOnePage) {
  fs::remove_all(HostDir("Gallery"));
  WriteGalleryAddOn(work_.Path(), linuxBin_ + "/data/languages");
  auto setup = Start(Pack("gallery.setup", "Gallery_Setup.exe", {"--data", (work_.Path() / "data").string()}),
                     "gallery.log");
  const Window w = MainClient(WaitForWindow("^ Gallery$"));
  // The first page; the focus away from the buttons, so that Next shows its caption alone.
  Image intro;
  const bool shown = WaitUntil([&] { return GallerySideShown(intro = Client(w), kJpegTolerance); }, 20);
  Keep(intro, "gallery-first.png");
  ASSERT_TRUE(shown) << "the background page";
  ClickAt(w, kFocusEdit.x + 10, kFocusEdit.y + 10);
  Pause(0.5);
  intro = Client(w);
  const ViewLook colours = LookOf(intro);
  EXPECT_TRUE(SameCaption(Part(intro, kNext), Part(intro, kNextPanel), colours.face)) << "Next reads Next >";
  Image page = ClickAndWaitForChange(w, kNext, {10, 10, 25, 25});
  ClickAt(w, 10 + 100, 130 + 10);
  Pause(0.5);
  page = Client(w);
  Keep(page, "gallery.png");
  CheckGalleryPage(page, colours);
  EXPECT_TRUE(SameCaption(Part(page, kNext), Part(page, kInstallPanel), colours.face))
      << "Next reads Install";
  // The memo's frame is the edit box's; the rich edit's a sunken edge.
  const Rgb editFrame = page.At(10, 130);
  EXPECT_NE(editFrame, kWhite);
  EXPECT_NE(editFrame, kGalleryPanel);
  EXPECT_EQ(page.At(250, 10), editFrame);
  EXPECT_EQ(page.At(250, 100), colours.shadow);
  for (const auto& entry : fs::recursive_directory_iterator(HostDir("users")))
    EXPECT_NE(entry.path().filename(), "RETL.temp") << "the rich edit's temporary file stays";

  // Radio buttons: a click on the second one swaps the two glyphs.
  const Box radio1{10, 215, 14, 20}, radio2{10, 240, 14, 20};
  const Image checked = Part(page, radio1), unchecked = Part(page, radio2);
  EXPECT_FALSE(checked == unchecked);
  ClickAt(w, 10 + 6, 240 + 10);
  PointerAway();
  Image swapped;
  EXPECT_TRUE(WaitUntil([&] { return Part(swapped = Client(w), radio2) == checked; }, 20))
      << "the second radio button checked";
  EXPECT_TRUE(Part(swapped, radio1) == unchecked) << "the first one no more";
  Keep(swapped, "gallery-radio.png");

  // Install: the question half way, the gauge at 50 %, the side picture still there.
  ClickOn(w, kNext);
  const Window checkpoint = WaitForWindow("^Checkpoint$");
  Image progress;
  WaitUntil([&] { return (progress = Client(w)).At(kGalleryGauge.x + 2, kGalleryGauge.y + 2) == kGaugeFore; },
            10);
  Keep(Screenshot(Display()), "gallery-progress.png");
  CheckGalleryGaugeAtHalf(progress);
  EXPECT_TRUE(GallerySideShown(progress, kJpegTolerance));
  KeyOver(Display(), checkpoint, "Return");

  // The finish page: Cancel reads text 16.
  Image finished;
  EXPECT_TRUE(WaitUntil([&] { return Uniform(Part(finished = Client(w), kNext), colours.face); }, 30))
      << "the finish page did not come";
  ClickAt(w, kFocusEdit.x + 10, kFocusEdit.y + 10);
  Pause(0.5);
  finished = Client(w);
  Keep(finished, "gallery-finished.png");
  EXPECT_TRUE(SameCaption(Part(finished, kCancel), Part(finished, kFinishPanel), colours.face))
      << "Cancel reads Finish";
  ClickOn(w, kCancel);
  EXPECT_EQ(setup->Wait(30), std::optional<int>(0));
  EXPECT_TRUE(fs::exists(HostDir("Gallery/b4.txt")));
  fs::remove_all(HostDir("Gallery"));
}

// The directory page: a folder picked in the tree goes into the edit box (which then
// looks as a box holding that path looks) and becomes the installation directory.
TEST_F(WizardUnderWine, APickInTheFolderTreeChoosesTheInstallationDirectory) {
  // A folder of its own: other tests use C:\Games of the same prefix meanwhile.
  const fs::path picked = HostDir("WineDirPick/Older Game");
  fs::remove_all(HostDir("WineDirPick"));
  fs::create_directories(picked);
  // The full pages, with a second edit box on the directory page holding the path the
  // pick gives.
  const fs::path data = work_.Path() / "data";
  fs::create_directories(data);
  fs::copy(linuxBin_ + "/data/languages", data / "languages", fs::copy_options::recursive);
  fs::copy(fs::path(SE_SOURCE_DIR) / "data" / "layout", data / "layout", fs::copy_options::recursive);
  const fs::path directoryLayout = data / "layout" / "full" / "layout2.txt";
  WriteFile(directoryLayout, ReadFile(directoryLayout) +
                                 Crlf("\n[Expected_Edit]\nType=TEdit\nAutoSize=false\nLeft=196\nTop=340\n"
                                      "Width=364\nHeight=21\nFontFace=MS Shell Dlg 2\nFontSize=9\n"
                                      "Text=C:\\WineDirPick\\Older Game\\\n"));
  WriteRoundTripAddOn(
      work_.Path(),
      {.prefix = "WineDir", .installDir = "C:\\WineDirPick\\Setup Here", .pages = "full", .question = false});
  auto setup = Start(Pack("gui.setup", "WineDir_Setup.exe", {"--data", data.string()}), "directory.log");
  const Window w = MainClient(WaitForWindow("Maps & More @ Harbour"));
  WaitUntil([&] { return Client(w).At(176, 200) == kBlack; }, 20);

  // Language page, then the directory page: the edit box shows the installation
  // directory, the tree the folder above it (the directory does not exist yet).
  const Box title{196, 24, 364, 44}, edit{196, 110, 364, 21}, expected{196, 340, 364, 21};
  auto showsExpected = [&](const Image& client) { return Part(client, edit) == Part(client, expected); };
  ClickAndWaitForChange(w, kNext, title);
  const Image directory = ClickAndWaitForChange(w, kNext, title);
  Keep(directory, "directory-page.png");
  EXPECT_FALSE(showsExpected(directory)) << "the edit box holds the pick already";

  // Into the tree from the edit box; "WineDirPick" is selected: opened, then its
  // folder picked.
  ClickAt(w, edit.x + 200, edit.y + 10);
  Keys("Tab");
  Keys("Right");
  Pause(0.5);
  Keys("Down");
  Image chosen;
  EXPECT_TRUE(WaitUntil([&] { return showsExpected(chosen = Client(w)); }, 20))
      << "the edit box does not show the picked folder";
  Keep(chosen, "directory-picked.png");

  // With the mouse: the folder above (its name starts left of the picked one's), and
  // the picked one again.
  const Rgb selection{48, 150, 250};  // Wine's highlight colour
  const Box tree{196, 138, 364, 166};
  Box band{0, 0, 0, 0};
  for (int y = tree.y; y < tree.y + tree.h && band.w == 0; ++y)
    for (int x = tree.x; x < tree.x + tree.w && band.w == 0; ++x)
      if (chosen.At(x, y) == selection) band = Box{x, y, 1, 1};
  ASSERT_GT(band.w, 0) << "no folder is selected in the tree";
  ClickAt(w, band.x + 6, band.y - 8);
  EXPECT_TRUE(WaitUntil([&] { return !(Part(Client(w), edit) == Part(chosen, edit)); }, 20))
      << "a click on the folder above does not pick it";
  ClickAt(w, band.x + 20, band.y + 7);
  EXPECT_TRUE(WaitUntil([&] { return showsExpected(chosen = Client(w)); }, 20))
      << "a click on the folder does not pick it";

  // Ready page, install, finish: the files are in the picked folder.
  ClickAndWaitForChange(w, kNext, title);
  ClickOn(w, kNext);
  const Rgb face = LookOf(directory).face;
  EXPECT_TRUE(WaitUntil([&] { return Uniform(Part(Client(w), kNext), face); }, 30))
      << "the finish page did not come";
  ClickOn(w, kCancel);
  EXPECT_EQ(setup->Wait(30), std::optional<int>(0));
  for (const char* name : {"a1.txt", "b4.txt", "WineDir_install.log", "WineDir_Uninstall.exe"})
    EXPECT_TRUE(fs::exists(picked / name)) << name;
  EXPECT_FALSE(fs::exists(HostDir("WineDirPick/Setup Here")));
  fs::remove_all(HostDir("WineDirPick"));
}

}  // namespace
