// The Windows wizard at a screen DPI above 96: the program declares itself DPI aware,
// so the system leaves the scaling to it, and the window with everything on it grows
// by the DPI's factor (the pages are laid out in 96-dpi pixels). Wine takes the DPI
// from HKCU\Control Panel\Desktop\LogPixels when a program starts; the test sets it in
// a prefix of its own (made from the test step's and kept beside it), as other tests
// use that one meanwhile, and shows the same setup at 96 and at 144 dpi.
#include <filesystem>
#include <memory>
#include <string>

#include "WineWizard.h"

namespace fs = std::filesystem;
using namespace screen_test;

namespace {

int Scaled(int value, int dpi) { return (value * dpi + 48) / 96; }

Box ScaledBox(Box b, int dpi) {
  const int left = Scaled(b.x, dpi), top = Scaled(b.y, dpi);
  return {left, top, Scaled(b.x + b.w, dpi) - left, Scaled(b.y + b.h, dpi) - top};
}

// The smallest box around the pixels of the part that are not the face colour, in
// client coordinates.
Box InkBox(const Image& client, Box around, Rgb face) {
  const Box b = InkBounds(client.Crop(around.x, around.y, around.w, around.h), face);
  return b.w > 0 ? Box{around.x + b.x, around.y + b.y, b.w, b.h} : b;
}

std::string Describe(Box b) {
  return std::to_string(b.x) + "," + std::to_string(b.y) + " " + std::to_string(b.w) + "x" +
         std::to_string(b.h);
}

// The side picture scaled by the DPI: pixel (x, y) of it at the scaled point.
bool SideScaled(const Image& client, int dpi) {
  static const SidePicture side;
  int points = 0, wrong = 0;
  for (int y = 0; y < SidePicture::kHeight - 1; y += 5)
    for (int x = 0; x < SidePicture::kWidth; x += 5) {
      ++points;
      if (!Near(client.At(Scaled(x, dpi), Scaled(y, dpi)), side.At(x, y), kJpegTolerance)) ++wrong;
    }
  return side.Ok() && wrong * 20 <= points;
}

class WizardAtDpi : public WineWizard {
 protected:
  void SetUp() override {
    WineWizard::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    dpiPrefix_ = prefix_ + "-dpi";
    if (!fs::exists(fs::path(dpiPrefix_) / "system.reg")) MakeDpiPrefix();
  }

  // A prefix is over a gigabyte of system files that Wine only reads: they are linked,
  // not copied. What Wine writes (the registry, the system's ini files) is copied; the
  // registry files are replaced, not rewritten, when Wine saves them.
  void MakeDpiPrefix() {
    fs::remove_all(dpiPrefix_);
    const CommandResult linked = screen_test::Run({"cp", "-al", prefix_, dpiPrefix_}, "");
    ASSERT_EQ(linked.status, 0) << "cannot link the prefix " << prefix_ << " to " << dpiPrefix_;
    for (const char* written :
         {"system.reg", "user.reg", "userdef.reg", "drive_c/windows/win.ini", "drive_c/windows/system.ini"}) {
      const fs::path copy = fs::path(dpiPrefix_) / written;
      if (!fs::exists(copy)) continue;
      fs::remove(copy);  // the link goes; the test step's file stays as it is
      fs::copy_file(fs::path(prefix_) / written, copy);
    }
  }
  void TearDown() override {
    if (!dpiPrefix_.empty()) RunWine({"wineserver", "-k"}, dpiPrefix_);
  }

  void SetDpi(int dpi) {
    const CommandResult set = RunWine({wine_, "reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels",
                                       "/t", "REG_DWORD", "/d", std::to_string(dpi), "/f"},
                                      dpiPrefix_);
    ASSERT_EQ(set.status, 0) << set.out;
  }

  // The screen with the welcome page of the standard pages at the DPI, and where the
  // client area is on it.
  struct Shown {
    Image screen;
    Window client;
    Image Client() const { return screen.Crop(client.x, client.y, client.width, client.height); }
  };
  Shown WelcomeAt(int dpi, const std::string& setup) {
    SetDpi(dpi);
    auto program = Start(setup, "setup-" + std::to_string(dpi) + ".log", dpiPrefix_);
    const Window w = MainClient(WaitForWindow("Maps & More @ Harbour"), dpi);
    EXPECT_TRUE(WaitUntil([&] { return SideScaled(Client(w), dpi); }, 30))
        << "the side picture scaled to " << dpi << " dpi";
    Pause(0.5);
    Shown shown{Screenshot(Display()), w};
    Keep(shown.Client(), "welcome-" + std::to_string(dpi) + "dpi.png");
    // The language menu opens below its button, its second entry (Czech) where it is
    // at 96 dpi, scaled.
    const Box cancel = ScaledBox(kCancel, dpi);
    ClickOn(w, ScaledBox(kLanguage, dpi));
    Pause(1);
    Keep(Screenshot(Display()).Crop(w.x, w.y, w.width, w.height + Scaled(80, dpi)),
         "language-menu-" + std::to_string(dpi) + "dpi.png");
    ClickAt(w, Scaled(40, dpi), Scaled(432, dpi));
    EXPECT_TRUE(WaitUntil([&] { return !(Part(Client(w), cancel) == Part(shown.Client(), cancel)); }, 20))
        << "no Czech from the language menu at " << dpi << " dpi";
    ClickOn(w, cancel);
    const Window question = WaitForWindow("^Ukon", 20);
    KeyOver(Display(), question, "y");
    EXPECT_EQ(program->Wait(30), std::optional<int>(3));
    return shown;
  }

  // Everything at its place scaled by the DPI: the client area's width (the bevel's
  // highlight ends at its edges), the bevel, the buttons.
  static void CheckLayout(const Shown& shown, int dpi) {
    const Image client = shown.Client();
    auto beside = [&](int x, int y) { return shown.screen.At(shown.client.x + x, shown.client.y + y); };
    const ViewLook c{client.At(Scaled(200, dpi), Scaled(395, dpi)), client.At(10, Scaled(375, dpi)),
                     client.At(10, Scaled(376, dpi)), kJpegTolerance};
    ASSERT_NE(c.shadow, c.face);
    const int width = Scaled(kClientW, dpi), bevel = Scaled(375, dpi);
    for (int x : {0, width / 2, width - 1}) {
      EXPECT_EQ(client.At(x, bevel), c.shadow) << "the bevel's shadow at " << x << " at " << dpi << " dpi";
      EXPECT_EQ(client.At(x, bevel + 1), c.highlight)
          << "the bevel's highlight at " << x << " at " << dpi << " dpi";
    }
    EXPECT_NE(beside(-1, bevel + 1), c.highlight) << "the client area starts at 0";
    EXPECT_NE(beside(width, bevel + 1), c.highlight) << "the client area is " << width << " wide";
    for (Box button : {kNext, kCancel}) {
      const Box expected = ScaledBox(button, dpi);
      const Box around{expected.x - 4, expected.y - 4, expected.w + 8, expected.h + 8};
      EXPECT_EQ(Describe(InkBox(client, around, c.face)), Describe(expected))
          << "a button at " << dpi << " dpi";
    }
  }

  std::string dpiPrefix_;
};

TEST_F(WizardAtDpi, TheWindowAndItsLayoutScaleWithTheScreenDpi) {
  WriteRoundTripAddOn(work_.Path(), {.prefix = "WineDpi", .installDir = "C:\\WineDpi", .question = false});
  const std::string setup = Pack("gui.setup", "WineDpi_Setup.exe");
  const Shown shown96 = WelcomeAt(96, setup);
  const Shown shown144 = WelcomeAt(144, setup);
  ASSERT_FALSE(shown96.screen.Empty());
  ASSERT_FALSE(shown144.screen.Empty());
  CheckLayout(shown96, 96);
  CheckLayout(shown144, 144);
  const Image at96 = shown96.Client(), at144 = shown144.Client();
  // The fonts grow with the rest: the title's letters are half as high again.
  const Image title96 = Ink(at96.Crop(196, 24, 364, 44), kBlack);
  const Image title144 = Ink(at144.Crop(294, 36, 546, 66), kBlack);
  EXPECT_GE(title144.height * 10, title96.height * 13) << title96.height << " and " << title144.height;
  EXPECT_LE(title144.height * 10, title96.height * 17) << title96.height << " and " << title144.height;
  EXPECT_GE(title144.width * 10, title96.width * 13) << title96.width << " and " << title144.width;
  EXPECT_LE(title144.width * 10, title96.width * 17) << title96.width << " and " << title144.width;
}

}  // namespace
