// Helpers for the on-screen tests: a private X server (Xvfb) per test, screenshots as
// pixels, programs started on the display and driven with xdotool, and small picture
// files made in memory.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace screen_test {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
std::string ToString(Rgb c);
// Each channel within tolerance of the other's.
bool Near(Rgb a, Rgb b, int tolerance);

// A 24-bit BMP (bottom-up rows) and an RGB PNG of one colour.
std::vector<uint8_t> BmpBytes(int width, int height, const std::function<Rgb(int x, int y)>& pixel);
std::vector<uint8_t> PngBytes(int width, int height, Rgb fill);

struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  bool Empty() const { return width <= 0 || height <= 0; }
  Rgb At(int x, int y) const;
  Image Crop(int x, int y, int w, int h) const;
  bool operator==(const Image&) const = default;
};

// Xvfb on a free display number, 1024 x 768 x 24, stopped with the object.
class XServer {
 public:
  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 768;
  XServer();
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  bool Ok() const { return !display_.empty(); }
  const std::string& Display() const { return display_; }
  const std::string& Error() const { return error_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string error_;
};

struct CommandResult {
  int status = -1;
  std::string out;
};
// Runs a program found on PATH (or by its path) on the display and collects its output.
CommandResult Run(const std::vector<std::string>& argv, const std::string& display);

Image Screenshot(const std::string& display);
void SavePng(const Image& image, const std::string& path);
// The folder screenshots are kept in: $SE_SCREENSHOT_DIR, else the build's screenshots/.
std::string ScreenshotDir();

// A program running on the display in the background; its output goes to a log file.
class Program {
 public:
  Program(const std::string& path, const std::vector<std::string>& args, const std::string& display,
          const std::string& logPath);
  ~Program();  // a program still running is killed
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  // The exit status once ended within the time, nothing otherwise.
  std::optional<int> Wait(double seconds);
  bool Running();

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

struct Window {
  std::string id;
  int x = 0, y = 0, width = 0, height = 0;
};
// The first visible window whose name matches the pattern (xdotool's search).
std::optional<Window> FindWindow(const std::string& display, const std::string& namePattern);

void Click(const std::string& display, int x, int y);
// Points the mouse at a window and types a key there (no window manager gives focus).
void KeyOver(const std::string& display, const Window& window, const std::string& key);

// Polls until the condition holds or the time is up; the condition's last answer.
bool WaitUntil(const std::function<bool()>& condition, double seconds);

}  // namespace screen_test
