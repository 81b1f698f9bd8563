// The Windows wizard under Wine on a private Xvfb (Wine's windows are X windows),
// driven with xdotool as a player would drive it: an install clicked through with a
// language switch, Cancel -> No, a message box from the setup thread, Finish, then the
// uninstaller's wizard removing everything; and the directory page with a pick in its
// folder tree. Pixels are checked where the result is certain. Runs on the Linux side
// of the Windows test step: Wine comes from $SE_WINE in the prefix $WINEPREFIX, the
// Windows programs from $SE_WINDOWS_BIN_DIR, the packer from $SE_LINUX_BIN_DIR.
// Screenshots of every page are kept (as win32-*.png) in $SE_SCREENSHOT_DIR.
#include <FL/Fl_JPEG_Image.H>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ScreenSupport.h"
#include "support/TestMachine.h"

namespace fs = std::filesystem;
using namespace screen_test;

namespace {

constexpr int kClientW = 578, kClientH = 413;

struct Box {
  int x, y, w, h;
};
constexpr Box kBack{344, 384, 72, 25};
constexpr Box kNext{416, 384, 73, 25};
constexpr Box kCancel{496, 384, 75, 25};
constexpr Box kLanguage{8, 384, 89, 25};
constexpr Box kGauge{196, 118, 364, 22};

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

std::string Env(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

bool Uniform(const Image& image, Rgb colour) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (!(image.At(x, y) == colour)) return false;
  return true;
}

Rgb Brightest(const Image& image) {
  Rgb best;
  int bestSum = -1;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const Rgb c = image.At(x, y);
      if (c.r + c.g + c.b > bestSum) best = c, bestSum = c.r + c.g + c.b;
    }
  return best;
}

// Two groups of four files with a question from the setup thread between them, so
// that the progress page can be seen half way; a directory page when asked for.
void WriteAddOn(const fs::path& dir, const std::string& installDir, const std::string& pages) {
  for (int i = 1; i <= 4; ++i) {
    WriteFile(dir / "files" / "one" / ("a" + std::to_string(i) + ".txt"), "one\n");
    WriteFile(dir / "files" / "two" / ("b" + std::to_string(i) + ".txt"), "two\n");
  }
  WriteFile(dir / "gui.setup",
            "name \"Maps & More @ Harbour\"\n"
            "shortname \"Maps and More\"\n"
            "outfile WineGui_Setup.exe\n"
            "prefix WineGui\n"
            "installdir \"" + installDir + "\"\n"
            "pages " + pages + "\n"
            "uninstallpages uninstall\n"
            "language install\\english\n"
            "language install\\czech\n"
            "language install\\polish\n"
            "uninstalllanguage uninstall\\english\n"
            "message <LANG21>\n"
            "file files\\one\\\n"
            "messagebox \"Half of the files are in place.\" \"Checkpoint\" 0 0\n"
            "file files\\two\\\n"
            "message <LANG22>\n");
}

class WizardUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_ = Env("WINEPREFIX", "");
    if (prefix_.empty()) GTEST_SKIP() << "runs in the Windows test step's Wine prefix (WINEPREFIX)";
    server_ = std::make_unique<XServer>();
    if (!server_->Ok()) GTEST_SKIP() << "no X server could be started: " << server_->Error();
    wine_ = Env("SE_WINE", "/usr/bin/wine");
    windowsBin_ = Env("SE_WINDOWS_BIN_DIR", "");
    linuxBin_ = Env("SE_LINUX_BIN_DIR", SE_BINARY_DIR "/bin");
    ASSERT_TRUE(fs::exists(windowsBin_ + "/setup.exe")) << "no setup.exe in " << windowsBin_;
    shots_ = ScreenshotDir();
    fs::create_directories(shots_);
  }

  const std::string& Display() const { return server_->Display(); }

  std::string Pack(const std::string& installDir, const std::string& pages) {
    WriteAddOn(work_.Path(), installDir, pages);
    const std::string out = (work_.Path() / "WineGui_Setup.exe").string();
    const CommandResult packed = screen_test::Run(
        {linuxBin_ + "/mksetup", (work_.Path() / "gui.setup").string(), "-o", out, "--stub",
         windowsBin_ + "/setup.exe"}, "");
    EXPECT_EQ(packed.status, 0) << packed.out;
    return out;
  }

  std::unique_ptr<Program> Start(const std::string& program, const std::string& log) {
    // Through env: SE_WINE may be a bare name on the PATH.
    return std::make_unique<Program>("/usr/bin/env", std::vector<std::string>{wine_, program}, Display(),
                                     (work_.Path() / log).string());
  }

  Window WaitForWindow(const std::string& pattern, double seconds = 60) {
    std::optional<Window> found;
    WaitUntil([&] { return (found = FindWindow(Display(), pattern)).has_value(); }, seconds);
    if (!found) ADD_FAILURE() << "no window named " << pattern;
    return found.value_or(Window{});
  }

  void WaitForWindowGone(const std::string& pattern) {
    EXPECT_TRUE(WaitUntil([&] { return !FindWindow(Display(), pattern); }, 20)) << pattern;
  }

  // Wine draws the frame itself (no window manager): the X window holds the frame,
  // the same width on the left, right and bottom, and the caption above.
  static Window ClientOf(const Window& w, int clientW, int clientH) {
    const int side = (w.width - clientW) / 2;
    return Window{w.id, w.x + side, w.y + w.height - clientH - side, clientW, clientH};
  }
  Window MainClient(const Window& w) {
    const Window c = ClientOf(w, kClientW, kClientH);
    EXPECT_EQ((w.width - kClientW) % 2, 0) << "client area 578 wide";
    EXPECT_GT(c.y - w.y, c.x - w.x) << "a caption above the client area";
    return c;
  }

  Image Client(const Window& c) { return Screenshot(Display()).Crop(c.x, c.y, c.width, c.height); }
  static Image Part(const Image& client, Box b) { return client.Crop(b.x, b.y, b.w, b.h); }
  void ClickAt(const Window& c, int x, int y) { Click(Display(), c.x + x, c.y + y); }
  void ClickOn(const Window& c, Box b) { ClickAt(c, b.x + b.w / 2, b.y + b.h / 2); }
  void Keys(const std::string& keys) { screen_test::Run({"xdotool", "key", "--delay", "60", keys}, Display()); }

  Image ClickAndWaitForChange(const Window& c, Box click, Box watched) {
    const Image before = Part(Client(c), watched);
    ClickOn(c, click);
    Image now;
    EXPECT_TRUE(WaitUntil([&] { return !(Part(now = Client(c), watched) == before); }, 20))
        << "nothing changed after a click at " << click.x << "," << click.y;
    return now;
  }

  void Keep(const Image& image, const std::string& name) { SavePng(image, shots_ + "/win32-" + name); }

  fs::path HostDir(const std::string& underDriveC) const { return fs::path(prefix_) / "drive_c" / underDriveC; }

  std::string prefix_, wine_, windowsBin_, linuxBin_, shots_;
  testing_support::TempDir work_;
  std::unique_ptr<XServer> server_;
};

TEST_F(WizardUnderWine, InstallSwitchLanguageRefuseToQuitFinishAndUninstall) {
  const fs::path installed = HostDir("Games/WineGuiTest");
  fs::remove_all(installed);
  auto setup = Start(Pack("C:\\Games\\WineGuiTest", "standard"), "setup.log");

  // The verification window, painted while start-up checks the package: the label's
  // text and the progress bar's sunken frame.
  const Window verifyOuter = WaitForWindow("^Verifying Contents$");
  const Window verify = ClientOf(verifyOuter, 321, 70);
  EXPECT_EQ((verifyOuter.width - 321) % 2, 0) << "client area 321 wide";
  Image verifying;
  WaitUntil([&] {
    verifying = Client(verify);
    return !verifying.Empty() && !(verifying.At(9, 48) == verifying.At(9, 40));
  }, 10);
  Keep(verifying, "verifying.png");
  EXPECT_FALSE(verifying.At(9, 48) == verifying.At(9, 40)) << "the progress bar's frame";
  EXPECT_TRUE(Brightest(verifying.Crop(8, 8, 150, 13)) == verifying.At(2, 2)) << "text on the face";

  const Window w = MainClient(WaitForWindow("Maps & More @ Harbour"));
  // The background page's picture sits at the left edge on every page.
  Fl_JPEG_Image side((std::string(SE_SOURCE_DIR) + "/data/layout/standard/Side.jpg").c_str());
  ASSERT_EQ(side.w(), 176);
  auto sidePixel = [&](int x, int y) {
    const auto* bits = reinterpret_cast<const uint8_t*>(side.data()[0]) + (y * side.w() + x) * side.d();
    return Rgb{bits[0], bits[1], bits[2]};
  };
  auto sideShown = [&](const Image& client) {
    for (const auto& [x, y] : {std::pair{0, 0}, {5, 100}, {88, 140}, {175, 300}, {100, 374}})
      if (!Near(client.At(x, y), sidePixel(x, y), 6)) return false;
    return client.At(176, 200) == kBlack;
  };
  Image welcome;
  EXPECT_TRUE(WaitUntil([&] { return sideShown(welcome = Client(w)); }, 20)) << "the side picture";
  Keep(welcome, "welcome.png");
  // Titles in white and texts in $E6E0DA over the black panel.
  EXPECT_EQ(Brightest(welcome.Crop(196, 24, 364, 44)), kWhite);
  EXPECT_TRUE(Near(Brightest(welcome.Crop(196, 76, 364, 200)), {0xDA, 0xE0, 0xE6}, 2))
      << ToString(Brightest(welcome.Crop(196, 76, 364, 200)));
  EXPECT_EQ(welcome.At(570, 300), kBlack);
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
  WaitUntil([] { return false; }, 0.5);  // the menu maps after the button shows pressed
  Keep(Screenshot(Display()).Crop(w.x, w.y, w.width, w.height + 80), "language-menu.png");
  ClickAt(w, 40, 435);
  Image czech;
  EXPECT_TRUE(WaitUntil([&] {
    czech = Client(w);
    // The button's caption is narrower in Czech: the glyph moves left.
    return !(Part(czech, kLanguage) == Part(ready, kLanguage)) && !(Part(czech, kCancel) == Part(ready, kCancel));
  }, 20)) << "the language did not change";
  Keep(czech, "ready-czech.png");

  // Cancel asks; "No" keeps the wizard. Escape does not close it either.
  ClickOn(w, kCancel);
  const Window question = WaitForWindow("^Ukon", 20);
  Keep(Screenshot(Display()), "quit-question.png");
  KeyOver(Display(), question, "n");
  WaitForWindowGone("^Ukon");
  KeyOver(Display(), w, "Escape");
  WaitUntil([] { return false; }, 0.5);
  ASSERT_TRUE(FindWindow(Display(), "Maps & More @ Harbour")) << "Escape closed the wizard";

  // Install: the setup thread's question arrives half way, the gauge at 50 %.
  ClickOn(w, kNext);
  const Window checkpoint = WaitForWindow("^Checkpoint$", 30);
  Image installing;
  WaitUntil([&] { return (installing = Client(w)).At(kGauge.x + 1, kGauge.y + 5) == Rgb{0x5A, 0x6E, 0x87}; }, 10);
  Keep(Screenshot(Display()), "installing.png");
  const Image gauge = Part(installing, kGauge);
  const Rgb border{0x5A, 0x6E, 0x87}, fore{0xE8, 0xA3, 0x3A}, back{0xDF, 0xE6, 0xED};
  EXPECT_EQ(gauge.At(0, 5), kBlack) << "column 0 is left to the panel";
  EXPECT_EQ(gauge.At(1, 5), border);
  EXPECT_EQ(gauge.At(363, 5), border);
  EXPECT_EQ(gauge.At(100, 1), border);
  EXPECT_EQ(gauge.At(100, 21), border);
  // Four of eight files: 50 %, f = (364 - 3) * 50 div 100 = 180 columns from column 2.
  EXPECT_EQ(gauge.At(2, 2), fore);
  EXPECT_EQ(gauge.At(181, 2), fore);
  EXPECT_EQ(gauge.At(182, 2), back);
  EXPECT_EQ(gauge.At(362, 20), back);
  KeyOver(Display(), checkpoint, "Return");

  // Finish page: Back and Next hidden, Cancel reads "Finish" (in Czech).
  Image finished;
  EXPECT_TRUE(WaitUntil([&] {
    finished = Client(w);
    return Uniform(Part(finished, kNext), face) && !(Part(finished, kCancel) == Part(czech, kCancel));
  }, 30)) << "the finish page did not come";
  Keep(finished, "finished.png");
  ClickOn(w, kCancel);
  EXPECT_EQ(setup->Wait(30), std::optional<int>(0));
  for (const char* name : {"a1.txt", "a4.txt", "b1.txt", "b4.txt", "WineGui_install.log", "WineGui_Uninstall.exe"})
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
