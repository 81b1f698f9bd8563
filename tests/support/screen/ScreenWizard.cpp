#include "support/screen/ScreenWizard.h"

#include <FL/Fl_JPEG_Image.H>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>

namespace fs = std::filesystem;

namespace screen_test {

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

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

bool Contains(const Image& image, Rgb colour) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (image.At(x, y) == colour) return true;
  return false;
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

Box InkBounds(const Image& image, Rgb background) {
  int left = image.width, top = image.height, right = -1, bottom = -1;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (!(image.At(x, y) == background)) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  return right < 0 ? Box{0, 0, 0, 0} : Box{left, top, right - left + 1, bottom - top + 1};
}

Image Ink(const Image& image, Rgb background) {
  const Box b = InkBounds(image, background);
  return b.w > 0 ? image.Crop(b.x, b.y, b.w, b.h) : Image{};
}

SidePicture::SidePicture() {
  Fl_JPEG_Image side((std::string(SE_SOURCE_DIR) + "/data/layout/standard/Side.jpg").c_str());
  if (side.w() != kWidth || side.h() != kHeight || side.d() < 3 || !side.data()) return;
  const auto* bits = reinterpret_cast<const uint8_t*>(side.data()[0]);
  for (int i = 0; i < kWidth * kHeight; ++i)
    rgb_.insert(rgb_.end(), bits + i * side.d(), bits + i * side.d() + 3);
}

Rgb SidePicture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= kWidth || y >= kHeight || rgb_.empty()) return {};
  const size_t i = (static_cast<size_t>(y) * kWidth + x) * 3;
  return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

bool SideShownAt(const Image& client, int left, int top, Box source, int tolerance) {
  static const SidePicture side;
  if (!side.Ok()) return false;
  int points = 0, wrong = 0;
  for (int y = 0; y < source.h; y += 5)
    for (int x = 0; x < source.w; x += 5) {
      ++points;
      if (!Near(client.At(left + x, top + y), side.At(source.x + x, source.y + y), tolerance)) ++wrong;
    }
  return points > 0 && wrong * 20 <= points;
}

bool StandardSideShown(const Image& client, int tolerance) {
  return SideShownAt(client, 0, 0, Box{0, 0, SidePicture::kWidth, kPageH}, tolerance) &&
         client.At(SidePicture::kWidth, 200) == kBlack;
}

void CheckStandardWelcomeTexts(const Image& welcome) {
  EXPECT_EQ(Brightest(welcome.Crop(196, 24, 364, 44)), kWhite) << "the title in white";
  EXPECT_TRUE(Near(Brightest(welcome.Crop(196, 76, 364, 200)), {0xDA, 0xE0, 0xE6}, 2))
      << "the text in $E6E0DA, not " << ToString(Brightest(welcome.Crop(196, 76, 364, 200)));
  EXPECT_EQ(welcome.At(570, 300), kBlack) << "the black panel";
}

void CheckGaugeAtHalf(const Image& client, Box b, Rgb panel, Rgb fore, Rgb back) {
  const Image gauge = client.Crop(b.x, b.y, b.w, b.h);
  EXPECT_EQ(gauge.At(0, 5), panel) << "column 0 is left to the panel";
  EXPECT_EQ(gauge.At(5, 0), panel) << "row 0 is left to the panel";
  for (const auto& [x, y] :
       {std::pair{1, 5}, {b.w - 1, 5}, {100, 1}, {100, b.h - 1}, {1, 1}, {b.w - 1, b.h - 1}})
    EXPECT_EQ(gauge.At(x, y), kGaugeBorder) << "the border at " << x << "," << y;
  // 50 %: f = (W - 3) * 50 div 100 columns from column 2, the back colour after them
  // up to the border.
  const int f = (b.w - 3) * 50 / 100;
  for (int y : {2, 3, b.h - 3, b.h - 2}) {
    EXPECT_EQ(gauge.At(2, y), fore) << y;
    EXPECT_EQ(gauge.At(f + 1, y), fore) << y;
    EXPECT_EQ(gauge.At(f + 2, y), back) << y;
    EXPECT_EQ(gauge.At(b.w - 2, y), back) << y;
  }
  EXPECT_EQ(client.At(b.x + b.w, b.y + 5), panel) << "nothing right of the border";
}

void WriteRoundTripAddOn(const fs::path& dir, const AddOnOptions& o) {
  for (int i = 1; i <= 4; ++i) {
    WriteFile(dir / "files" / "one" / ("a" + std::to_string(i) + ".txt"), "one\n");
    WriteFile(dir / "files" / "two" / ("b" + std::to_string(i) + ".txt"), "two\n");
  }
  WriteFile(dir / "gui.setup",
            "name \"Maps & More @ Harbour\"\n"
            "shortname \"Maps and More\"\n"
            "outfile " +
                o.prefix +
                "_Setup.exe\n"
                "prefix " +
                o.prefix +
                "\n"
                "installdir \"" +
                o.installDir +
                "\"\n"
                "pages " +
                o.pages +
                "\n"
                "language install\\english\n"
                "language install\\czech\n"
                "language install\\polish\n" +
                (o.uninstaller ? "uninstallpages uninstall\nuninstalllanguage uninstall\\english\n" : "") +
                "message <LANG21>\n"
                "file files\\one\\\n" +
                (o.question ? "messagebox \"Half of the files are in place.\" \"Checkpoint\" 0 0\n" : "") +
                "file files\\two\\\n"
                "message <LANG22>\n");
}

bool ScreenTest::StartDisplay(const std::string& shotPrefix, std::string& error) {
  server_ = std::make_unique<XServer>();
  error = server_->Error();
  shotPrefix_ = shotPrefix;
  return server_->Ok();
}

Window ScreenTest::WaitForWindow(const std::string& pattern, double seconds) {
  std::optional<Window> found;
  WaitUntil([&] { return (found = FindWindow(Display(), pattern)).has_value(); }, seconds);
  if (!found) ADD_FAILURE() << "no window named " << pattern;
  return found.value_or(Window{});
}

void ScreenTest::WaitForWindowGone(const std::string& pattern) {
  EXPECT_TRUE(WaitUntil([&] { return !FindWindow(Display(), pattern); }, 20)) << pattern;
}

Image ScreenTest::Client(const Window& c) const {
  return Screenshot(Display()).Crop(c.x, c.y, c.width, c.height);
}

void ScreenTest::ClickAt(const Window& c, int x, int y) const { Click(Display(), c.x + x, c.y + y); }

void ScreenTest::PointerAway() const { screen_test::Run({"xdotool", "mousemove", "0", "0"}, Display()); }

void ScreenTest::Keys(const std::string& keys) const {
  screen_test::Run({"xdotool", "key", "--delay", "60", keys}, Display());
}

Image ScreenTest::ClickAndWaitForChange(const Window& c, Box click, Box watched) const {
  const Image before = Part(Client(c), watched);
  ClickOn(c, click);
  Image now;
  EXPECT_TRUE(WaitUntil([&] { return !(Part(now = Client(c), watched) == before); }, 20))
      << "nothing changed after a click at " << click.x << "," << click.y;
  return now;
}

void ScreenTest::Keep(const Image& image, const std::string& name) const {
  const std::string dir = ScreenshotDir();
  std::filesystem::create_directories(dir);
  SavePng(image, dir + "/" + shotPrefix_ + name);
}

}  // namespace screen_test
