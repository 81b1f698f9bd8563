// The wizard on a real (virtual) display: a setup made by mksetup is started on a
// private Xvfb, driven with xdotool as a player would drive it, and its pixels are
// checked where the result is certain. Screenshots of every page are kept in the
// build's screenshots/ folder. Skipped only when no X server can be started.
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

// The main window's controls (client coordinates).
struct Box {
  int x, y, w, h;
};
constexpr Box kBack{344, 384, 72, 25};  // its last column is under Next
constexpr Box kNext{416, 384, 73, 25};
constexpr Box kCancel{496, 384, 75, 25};
constexpr Box kLanguage{8, 384, 89, 25};
constexpr Box kGauge{196, 118, 364, 22};

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kButtonFace{0xEC, 0xE9, 0xD8};
constexpr Rgb kShadow{0xAC, 0xA8, 0x99};
constexpr Rgb kWhite{255, 255, 255};

std::string Bin(const std::string& name) {
  const char* dir = std::getenv("SE_BIN_DIR");
  return std::string(dir ? dir : SE_BINARY_DIR "/bin") + "/" + name;
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

// Page files use CR LF.
std::string Crlf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
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

bool Contains(const Image& image, Rgb colour) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (image.At(x, y) == colour) return true;
  return false;
}

class WizardScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = std::make_unique<XServer>();
    if (!server_->Ok()) GTEST_SKIP() << "no X server could be started: " << server_->Error();
    shots_ = ScreenshotDir();
  }

  const std::string& Display() const { return server_->Display(); }

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

  Window WaitForWindow(const std::string& pattern) {
    std::optional<Window> found;
    WaitUntil([&] { return (found = FindWindow(Display(), pattern)).has_value(); }, 20);
    if (!found) ADD_FAILURE() << "no window named " << pattern;
    return found.value_or(Window{});
  }

  void WaitForWindowGone(const std::string& pattern) {
    EXPECT_TRUE(WaitUntil([&] { return !FindWindow(Display(), pattern); }, 20)) << pattern;
  }

  Image Client(const Window& w) { return Screenshot(Display()).Crop(w.x, w.y, w.width, w.height); }
  static Image Part(const Image& client, Box b) { return client.Crop(b.x, b.y, b.w, b.h); }

  void ClickAt(const Window& w, int x, int y) { Click(Display(), w.x + x, w.y + y); }
  void ClickOn(const Window& w, Box b) { ClickAt(w, b.x + b.w / 2, b.y + b.h / 2); }

  // Clicks and waits until the part of the window changes; the new client image.
  Image ClickAndWaitForChange(const Window& w, Box click, Box watched) {
    const Image before = Part(Client(w), watched);
    ClickOn(w, click);
    Image now;
    EXPECT_TRUE(WaitUntil([&] { return !(Part(now = Client(w), watched) == before); }, 20))
        << "nothing changed after a click at " << click.x << "," << click.y;
    return now;
  }

  void Keep(const Image& image, const std::string& name) { SavePng(image, shots_ + "/" + name); }

  // Presses the n-th of a message box's buttons (75 wide, 6 apart, centred, 11 from
  // the bottom).
  void PressBoxButton(const Window& box, int index, int count) {
    const int total = count * 75 + (count - 1) * 6;
    const int x = (box.width - total) / 2 + index * 81 + 37;
    ClickAt(box, x, box.height - 11 - 11);
  }

  testing_support::TempPrefix prefix_;
  testing_support::TempDir work_;
  std::unique_ptr<XServer> server_;
  std::string shots_;
};

// The demo-like add-on: two groups of four files with a question from the setup
// thread between them, so that the progress page can be seen half way.
void WriteRoundTripAddOn(const fs::path& dir) {
  for (int i = 1; i <= 4; ++i) {
    WriteFile(dir / "files" / "one" / ("a" + std::to_string(i) + ".txt"), "one\n");
    WriteFile(dir / "files" / "two" / ("b" + std::to_string(i) + ".txt"), "two\n");
  }
  WriteFile(dir / "gui.setup",
            "name \"Maps & More @ Harbour\"\n"
            "shortname \"Maps and More\"\n"
            "outfile GuiTest_Setup.exe\n"
            "prefix GuiTest\n"
            "installdir \"C:\\Games\\GuiTest\"\n"
            "pages standard\n"
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

TEST_F(WizardScreen, InstallSwitchLanguageRefuseToQuitFinishAndUninstall) {
  WriteRoundTripAddOn(work_.Path());
  const std::string setup = Pack("gui.setup", "GuiTest_Setup.exe");
  // Arguments FLTK would take as its own must not reach it.
  Program program(setup, {"-display", ":9999", "-geometry", "10x10+0+0", "-bg", "red"}, Display(),
                  (work_.Path() / "setup.log").string());

  // The verification window, painted while start-up checks the package.
  const Window verify = WaitForWindow("^Verifying Contents$");
  // Found as soon as it is mapped: wait for its first paint.
  Image verifying;
  WaitUntil([&] {
    verifying = Screenshot(Display()).Crop(verify.x, verify.y, verify.width, verify.height);
    return !verifying.Empty() && verifying.At(8, 48) == kShadow;
  }, 5);
  Keep(verifying, "verifying.png");
  EXPECT_EQ(verify.width, 321);
  EXPECT_EQ(verify.height, 70);
  EXPECT_EQ(verifying.At(8, 48), kShadow) << "the progress bar's frame";
  EXPECT_TRUE(Contains(verifying.Crop(8, 8, 150, 13), kBlack)) << "the label's text";

  const Window w = WaitForWindow("Maps & More @ Harbour");
  EXPECT_EQ(w.width, 578);
  EXPECT_EQ(w.height, 413);
  // The background page's picture sits at the left edge on every page.
  Fl_JPEG_Image side((std::string(SE_SOURCE_DIR) + "/data/layout/standard/Side.jpg").c_str());
  ASSERT_EQ(side.w(), 176);
  auto sidePixel = [&](int x, int y) {
    const auto* bits = reinterpret_cast<const uint8_t*>(side.data()[0]) + (y * side.w() + x) * side.d();
    return Rgb{bits[0], bits[1], bits[2]};
  };
  auto sideShown = [&](const Image& client) {
    for (const auto& [x, y] : {std::pair{0, 0}, {5, 100}, {88, 140}, {175, 300}, {100, 374}})
      if (!Near(client.At(x, y), sidePixel(x, y), 2)) return false;
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
  EXPECT_TRUE(WaitUntil([&] {
    czech = Client(w);
    return !(Part(czech, kLanguage) == Part(ready, kLanguage)) && !(Part(czech, kNext) == Part(ready, kNext));
  }, 20)) << "the language did not change";
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
  PressBoxButton(checkpoint, 0, 2);

  // Finish page: Back and Next hidden, Cancel reads "Finish" (in Czech).
  Image finished;
  EXPECT_TRUE(WaitUntil([&] {
    finished = Client(w);
    return Uniform(Part(finished, kNext), kButtonFace) && !(Part(finished, kCancel) == Part(czech, kCancel));
  }, 30)) << "the finish page did not come";
  Keep(finished, "finished.png");
  ClickOn(w, kCancel);
  EXPECT_EQ(program.Wait(30), std::optional<int>(0));

  const fs::path installed = prefix_.DriveC() / "Games" / "GuiTest";
  for (const char* name : {"a1.txt", "a4.txt", "b1.txt", "b4.txt", "GuiTest_install.log", "GuiTest_Uninstall.exe"})
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
// certain; then Cancel and "Yes" end the setup as cancelled.
TEST_F(WizardScreen, EveryControlClassOnOnePage) {
  const fs::path data = work_.Path() / "data";
  fs::create_directories(data);
  fs::copy(Bin("data") + "/languages", data / "languages", fs::copy_options::recursive);
  const fs::path pages = data / "layout" / "gallery";
  WriteFile(pages / "Pages.txt", Crlf("[Pages]\ngallery.txt\nend.txt\n[PageTypes]\nWelcome\nFinish\n"
                                      "[Settings]\ncolour $00402010\n"));
  WriteFile(pages / "end.txt", Crlf("[Done]\nType=TLabel\nCaption=Done\n"));
  WriteFile(pages / "gallery.txt", Crlf(
      "[TiledPic]\nType=TImage\nLeft=10\nTop=10\nWidth=25\nHeight=25\nFile=pattern.bmp\nTile=true\n"
      "[StretchPic]\nType=TImage\nLeft=50\nTop=10\nWidth=40\nHeight=40\nStretch=true\nFile=quad.bmp\n"
      "[CenterPic]\nType=TImage\nLeft=100\nTop=10\nWidth=30\nHeight=30\nCenter=true\nFile=dot.png\n"
      "[KeyPic]\nType=TImage\nLeft=140\nTop=10\nWidth=20\nHeight=20\nTransparent=true\nFile=key.bmp\n"
      "[SolidLabel]\nType=TLabel\nLeft=10\nTop=60\nWidth=150\nHeight=30\nWordWrap=true\n"
      "FontColour=$00FFFF\nCaption=A label & its @ signs, wrapped over two lines\n"
      "[AutoLabel]\nType=TLabel\nLeft=10\nTop=95\nFontColour=$FFFFFF\nCaption=Sized by itself\n"
      "[Edit1]\nType=TEdit\nLeft=10\nTop=130\nWidth=150\nText=C:\\Some @ & folder\n"
      "[Button1]\nType=TButton\nLeft=170\nTop=130\nWidth=75\nHeight=25\nCaption=A && B\n"
      "[PanelA]\nType=TPanel\nLeft=10\nTop=165\nWidth=150\nHeight=40\nCaption=Panel caption\n"
      "[Bevel1]\nType=TBevel\nLeft=170\nTop=165\nWidth=60\nHeight=40\n"
      "[Memo1]\nType=TMemo\nLeft=250\nTop=10\nWidth=150\nHeight=80\nBorder=true\n"
      "Text=first line<br>second @ & line <LANG1>\n"
      "[Rich1]\nType=TRichEdit\nLeft=250\nTop=100\nWidth=300\nHeight=100\nFile=readme.rtf\n"
      "[Radio1]\nType=TRadio\nLeft=10\nTop=215\nWidth=120\nHeight=20\nFontColour=$FFFFFF\n"
      "Caption=Option one\nChecked=true\n"
      "[Radio2]\nType=TRadio\nLeft=10\nTop=240\nWidth=120\nHeight=20\nFontColour=$FFFFFF\n"
      "Caption=Option two\n"
      "[Gauge1]\nType=TProgressBar\nLeft=250\nTop=215\nWidth=200\nHeight=22\n"
      "[Tree1]\nType=TShellTreeView\nLeft=250\nTop=245\nWidth=300\nHeight=110\n"));
  WriteBytes(pages / "pattern.bmp", BmpBytes(10, 10, [](int x, int y) {
               return Rgb{static_cast<uint8_t>(x * 20), static_cast<uint8_t>(y * 20), 200};
             }));
  WriteBytes(pages / "quad.bmp", BmpBytes(2, 2, [](int x, int y) {
               const Rgb c[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
               return c[y * 2 + x];
             }));
  WriteBytes(pages / "dot.png", PngBytes(2, 2, {9, 8, 7}));
  WriteBytes(pages / "key.bmp", BmpBytes(20, 20, [](int x, int y) {
               const bool inner = x >= 5 && x < 15 && y >= 5 && y < 15;
               return inner ? Rgb{255, 255, 0} : Rgb{255, 0, 255};
             }));
  WriteFile(pages / "readme.rtf",
            "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl ;\\red255\\green0\\blue0;}"
            "\\f0\\fs20 Read \\b me\\b0 : {\\cf1\\fs28 RED TEXT} and \\ul underlined\\ulnone .\\par"
            "{\\*\\hidden not shown}second paragraph\\par}");
  WriteFile(work_.Path() / "files" / "x.txt", "x\n");
  WriteFile(work_.Path() / "gallery.setup",
            "name \"Gallery\"\nshortname Gallery\noutfile Gallery_Setup.exe\nprefix Gallery\n"
            "installdir \"C:\\Gallery\"\npages gallery\nlanguage install\\english\nfile files\\x.txt\n");
  const std::string setup = Pack("gallery.setup", "Gallery_Setup.exe", {"--data", data.string()});
  Program program(setup, {}, Display(), (work_.Path() / "gallery.log").string());

  const Window w = WaitForWindow("^ Gallery$");
  const Rgb panel{0x10, 0x20, 0x40};
  Image page;
  ASSERT_TRUE(WaitUntil([&] { return (page = Client(w)).At(11, 11) == Rgb{20, 20, 200}; }, 20));
  Keep(page, "gallery.png");
  // Tiled: a 10 x 10 picture drawn 3 x 3 times into 25 x 25.
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 25; ++x)
      ASSERT_EQ(page.At(10 + x, 10 + y), (Rgb{static_cast<uint8_t>(x % 10 * 20),
                                              static_cast<uint8_t>(y % 10 * 20), 200})) << x << "," << y;
  EXPECT_EQ(page.At(35, 20), panel);
  // Stretched 2 x 2 into 40 x 40: four quarters.
  EXPECT_EQ(page.At(50 + 5, 10 + 5), (Rgb{255, 0, 0}));
  EXPECT_EQ(page.At(50 + 35, 10 + 5), (Rgb{0, 255, 0}));
  EXPECT_EQ(page.At(50 + 5, 10 + 35), (Rgb{0, 0, 255}));
  EXPECT_EQ(page.At(50 + 35, 10 + 35), kWhite);
  // Centred 2 x 2 in 30 x 30 at (14, 14).
  EXPECT_EQ(page.At(100 + 14, 10 + 14), (Rgb{9, 8, 7}));
  EXPECT_EQ(page.At(100 + 15, 10 + 15), (Rgb{9, 8, 7}));
  EXPECT_EQ(page.At(100 + 13, 10 + 13), panel);
  // Transparent bitmap: the bottom-left colour lets the panel through.
  EXPECT_EQ(page.At(140 + 1, 10 + 1), panel);
  EXPECT_EQ(page.At(140 + 10, 10 + 10), (Rgb{255, 255, 0}));
  // A label that is not transparent fills its bounds with the panel's colour; its text
  // is yellow.
  EXPECT_EQ(Brightest(page.Crop(10, 60, 150, 30)), (Rgb{255, 255, 0}));
  EXPECT_FALSE(Uniform(page.Crop(10, 95, 100, 13), panel)) << "the label that sizes itself";
  // Bevel: a lowered box; panel: a raised edge around the button face.
  EXPECT_EQ(page.At(170, 165), kShadow);
  EXPECT_EQ(page.At(170 + 59, 165 + 39), kWhite);
  EXPECT_EQ(page.At(10, 165), kWhite);
  EXPECT_EQ(page.At(10 + 149, 165 + 39), kShadow);
  EXPECT_EQ(page.At(12, 167), kButtonFace);
  // Memo and rich edit: white boxes with a single border; the rich text's colour table.
  const Rgb frame{0x7F, 0x9D, 0xB9};
  EXPECT_EQ(page.At(250, 10), frame);
  EXPECT_EQ(page.At(252, 85), kWhite);
  EXPECT_FALSE(Uniform(page.Crop(252, 12, 140, 30), kWhite)) << "the memo's text";
  EXPECT_EQ(page.At(250, 100), frame);
  EXPECT_TRUE(Contains(page.Crop(251, 101, 298, 98), {255, 0, 0})) << "the red words";
  // The gauge as created: a solid border, an empty white bar and "0%".
  EXPECT_EQ(page.At(251, 216), (Rgb{0x5A, 0x6E, 0x87}));
  EXPECT_EQ(page.At(252, 217), kWhite);
  EXPECT_FALSE(Uniform(page.Crop(252, 217, 196, 18), kWhite)) << "the caption";
  EXPECT_FALSE(Uniform(page.Crop(252, 247, 200, 40), kWhite)) << "the folder tree";
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

  // Cancel, "Yes": the setup ends as cancelled.
  ClickOn(w, kCancel);
  const Window question = WaitForWindow("^Quit$");
  PressBoxButton(question, 0, 2);
  EXPECT_EQ(program.Wait(30), std::optional<int>(3));
}

}  // namespace

namespace {

// The pages with a language page and a directory page: a radio button picked, a
// folder opened and picked in the tree (its path goes into the edit box), then the
// setup cancelled.
TEST_F(WizardScreen, LanguagePageAndDirectoryPageWithItsFolderTree) {
  WriteRoundTripAddOn(work_.Path());
  std::ifstream in(work_.Path() / "gui.setup");
  std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  script.replace(script.find("pages standard"), 14, "pages full");
  WriteFile(work_.Path() / "full.setup", script);
  fs::create_directories(prefix_.DriveC() / "Games" / "Older Game");
  const std::string setup = Pack("full.setup", "GuiTest_Setup.exe");
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
  WriteRoundTripAddOn(work_.Path());
  std::ifstream in(work_.Path() / "gui.setup");
  std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  script.replace(script.find("pages standard"), 14, "pages full");
  WriteFile(work_.Path() / "full.setup", script);
  fs::create_directories(prefix_.DriveC() / "Games" / "GuiTest");
  const std::string setup = Pack("full.setup", "GuiTest_Setup.exe");
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
