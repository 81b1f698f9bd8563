// The wizard as the on-screen tests see it, whichever view draws it (FLTK on Linux,
// Win32 under Wine): the main window's controls in client coordinates, questions
// about a screenshot's pixels, files written for an add-on, the standard side picture
// decoded, and a driver that clicks, types, waits for changes and keeps screenshots.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/screen/ScreenSupport.h"

namespace screen_test {

// A rectangle of the client area.
struct Box {
  int x, y, w, h;
};
// The main window's controls (client coordinates at 96 dpi).
inline constexpr Box kBack{344, 384, 72, 25};  // its last column is under Next
inline constexpr Box kNext{416, 384, 73, 25};
inline constexpr Box kCancel{496, 384, 75, 25};
inline constexpr Box kLanguage{8, 384, 89, 25};
inline constexpr Box kGauge{196, 118, 364, 22};
inline constexpr int kClientW = 578, kClientH = 413;
inline constexpr int kPageH = 375;  // the page panel's height, the bevel below it

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kGaugeBorder{0x5A, 0x6E, 0x87};  // the gauge's default border colour
inline constexpr Rgb kWhite{255, 255, 255};

void WriteFile(const std::filesystem::path& path, const std::string& text);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::string ReadFile(const std::filesystem::path& path);
// Page files use CR LF.
std::string Crlf(const std::string& text);

bool Uniform(const Image& image, Rgb colour);
bool Contains(const Image& image, Rgb colour);
Rgb Brightest(const Image& image);
// The smallest box holding every pixel that is not the background colour (0 x 0 when
// there is none), and that part of the image.
Box InkBounds(const Image& image, Rgb background);
Image Ink(const Image& image, Rgb background);

// data/layout/standard/Side.jpg, the background page's picture, decoded.
class SidePicture {
 public:
  static constexpr int kWidth = 176, kHeight = 376;
  SidePicture();
  bool Ok() const { return !rgb_.empty(); }
  Rgb At(int x, int y) const;

 private:
  std::vector<uint8_t> rgb_;
};

// The side picture drawn at (left, top) of the client, from the source box of it:
// within tolerance at all but a twentieth of a grid of points.
bool SideShownAt(const Image& client, int left, int top, Box source, int tolerance);
// The standard pages: the side picture at the left edge, the black panel beside it.
bool StandardSideShown(const Image& client, int tolerance);
// The standard welcome page: the title in white and the text in $E6E0DA over the
// black panel. Failures are reported as test failures.
void CheckStandardWelcomeTexts(const Image& welcome);

// A gauge at 50 % on the panel: border, bar and back colour, column by column.
void CheckGaugeAtHalf(const Image& client, Box gauge, Rgb panel, Rgb fore, Rgb back);

// The add-on the round trips install: two groups of four files, and between them,
// when asked for, a question from the setup thread ("Checkpoint"), so that the
// progress page can be seen half way.
struct AddOnOptions {
  std::string prefix = "GuiTest";  // of the outfile and the uninstaller
  std::string installDir = "C:\\Games\\GuiTest";
  std::string pages = "standard";
  bool uninstaller = true;  // uninstall pages and language
  bool question = true;
};
// Writes files/ and gui.setup into dir.
void WriteRoundTripAddOn(const std::filesystem::path& dir, const AddOnOptions& options);

// The base of the on-screen tests' fixtures: a private X server and the wizard driven
// on it. Windows are given by their client area.
class ScreenTest : public ::testing::Test {
 protected:
  // Starts the X server; false (with the reason in error) when none can be started.
  // Screenshots go to ScreenshotDir(), their names prefixed with shotPrefix.
  bool StartDisplay(const std::string& shotPrefix, std::string& error);

  const std::string& Display() const { return server_->Display(); }
  // The first visible window whose name matches, waited for (a failure when none).
  Window WaitForWindow(const std::string& pattern, double seconds = 60);
  void WaitForWindowGone(const std::string& pattern);

  Image Client(const Window& client) const;
  static Image Part(const Image& client, Box b) { return client.Crop(b.x, b.y, b.w, b.h); }
  void ClickAt(const Window& client, int x, int y) const;
  void ClickOn(const Window& client, Box b) const { ClickAt(client, b.x + b.w / 2, b.y + b.h / 2); }
  // The pointer to the screen's corner, off every window (a control under it may show
  // itself hot).
  void PointerAway() const;
  // xdotool's key names, typed to the window that has the keyboard.
  void Keys(const std::string& keys) const;
  // Clicks and waits until the watched part changes; the new client image.
  Image ClickAndWaitForChange(const Window& client, Box click, Box watched) const;
  // Lets the display settle (a menu mapping, a focus moving) where nothing can be watched.
  static void Pause(double seconds) {
    WaitUntil([] { return false; }, seconds);
  }

  void Keep(const Image& image, const std::string& name) const;

 private:
  std::unique_ptr<XServer> server_;
  std::string shotPrefix_;
};

}  // namespace screen_test
