// setuptool preview with the FLTK view: the gallery add-on's pages drawn without a
// display of the caller's (the command starts and stops its own), checked with the
// on-screen test's pixel checks of the same pages, and drawn once more to show that
// two runs give the same files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
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

// $DISPLAY unset for the test's time, so that the command has to start its own.
class WithoutDisplay {
 public:
  WithoutDisplay() {
    if (const char* d = std::getenv("DISPLAY")) saved_ = d;
    unsetenv("DISPLAY");
  }
  ~WithoutDisplay() {
    if (saved_) setenv("DISPLAY", saved_->c_str(), 1);
  }

 private:
  std::optional<std::string> saved_;
};

Image Part(const Image& client, Box b) { return client.Crop(b.x, b.y, b.w, b.h); }

Image ReadPng(const fs::path& file) {
  const CommandResult r = screen_test::Run({"convert", "png:" + file.string(), "-depth", "8", "rgb:-"}, "");
  Image image{kClientW, kClientH, {}};
  if (r.status != 0 || r.out.size() != static_cast<size_t>(kClientW) * kClientH * 3) return {};
  image.rgb.assign(r.out.begin(), r.out.end());
  return image;
}

class Preview : public ::testing::Test {
 protected:
  void SetUp() override {
    XServer probe;
    if (!probe.Ok()) GTEST_SKIP() << "no X server can be started here: " << probe.Error();
    WriteGalleryAddOn(work_.Path(), Bin("data") + "/languages");
    setup_ = work_.Path() / "Gallery_Setup.exe";
    const CommandResult packed =
        screen_test::Run({Bin("mksetup"), (work_.Path() / "gallery.setup").string(), "-o", setup_.string(),
                          "--data", (work_.Path() / "data").string()},
                         "");
    ASSERT_EQ(packed.status, 0) << packed.out;
  }

  // The listing's lines by file name.
  std::map<std::string, std::string> RunPreview(const fs::path& dir,
                                                const std::vector<std::string>& extra = {}) {
    WithoutDisplay noDisplay;
    std::vector<std::string> args{Bin("setuptool"), "preview", setup_.string(), dir.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    const CommandResult r = screen_test::Run(args, "");
    EXPECT_EQ(r.status, 0) << r.out;
    std::map<std::string, std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);)
      lines[fs::path(line.substr(line.rfind('\t') + 1)).filename()] = line;
    return lines;
  }

  testing_support::TempPrefix prefix_;
  testing_support::TempDir work_;
  fs::path setup_;
};

TEST_F(Preview, EveryPageInEveryLanguageIsDrawnAsOnScreenAndTheSameTwice) {
  const fs::path first = work_.Path() / "first", second = work_.Path() / "second";
  const std::map<std::string, std::string> listed = RunPreview(first);
  // Five pages in English, Czech and Polish.
  ASSERT_EQ(listed.size(), 15u);
  const std::string galleryFile = (first / "0c09-01-patch.png").string();
  EXPECT_EQ(listed.at("0c09-01-patch.png"), "0c09\t01\tpatch\t" + galleryFile);
  EXPECT_EQ(listed.at("0405-02-patching.png"),
            "0405\t02\tpatching\t" + (first / "0405-02-patching.png").string());
  EXPECT_EQ(listed.count("0415-04-mainlayout.png"), 1u);

  const Image gallery = ReadPng(galleryFile);
  ASSERT_FALSE(gallery.Empty());
  CheckGalleryPage(gallery, {kButtonFace, kShadow, kWhite});
  EXPECT_TRUE(SameCaption(Part(gallery, kNext), Part(gallery, kInstallPanel), kButtonFace))
      << "Next reads Install";
  const Image progress = ReadPng(first / "0c09-02-patching.png");
  ASSERT_FALSE(progress.Empty());
  CheckGalleryGaugeAtHalf(progress);
  EXPECT_TRUE(GallerySideShown(progress, 2));
  const Image finish = ReadPng(first / "0c09-03-finish.png");
  EXPECT_TRUE(SameCaption(Part(finish, kCancel), Part(finish, kFinishPanel), kButtonFace))
      << "Cancel reads Finish";

  // A second run, of one language chosen, gives the same files.
  const std::map<std::string, std::string> again = RunPreview(second, {"--lang", "0409"});
  ASSERT_EQ(again.size(), 5u);
  for (const auto& [name, line] : again) {
    EXPECT_EQ(name.substr(0, 5), "0c09-") << line;
    EXPECT_EQ(ReadFile(first / name), ReadFile(second / name)) << name;
  }
}

}  // namespace
