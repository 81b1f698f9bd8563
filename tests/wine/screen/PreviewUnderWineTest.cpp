// setuptool.exe preview under Wine: the gallery add-on's pages drawn by the Win32 view
// into PNG files, checked with the on-screen test's pixel checks of the same pages,
// and drawn once more to show that two runs give the same files.
#include <filesystem>
#include <sstream>
#include <string>

#include "WineWizard.h"

namespace fs = std::filesystem;
using namespace screen_test;

namespace {

using PreviewUnderWine = WineWizard;

Image ReadPng(const fs::path& file) {
  const CommandResult r = screen_test::Run({"convert", "png:" + file.string(), "-depth", "8", "rgb:-"}, "");
  Image image{kClientW, kClientH, {}};
  if (r.status != 0 || r.out.size() != static_cast<size_t>(kClientW) * kClientH * 3) return {};
  image.rgb.assign(r.out.begin(), r.out.end());
  return image;
}

TEST_F(PreviewUnderWine, EveryPageIsDrawnAsOnScreenAndTheSameTwice) {
  WriteGalleryAddOn(work_.Path(), linuxBin_ + "/data/languages");
  const std::string setup =
      Pack("gallery.setup", "Gallery_Setup.exe", {"--data", (work_.Path() / "data").string()});
  const fs::path first = work_.Path() / "first", second = work_.Path() / "second";
  auto preview = [&](const fs::path& dir) {
    return RunWine({wine_, windowsBin_ + "/setuptool.exe", "preview", "Z:" + setup, "Z:" + dir.string(),
                    "--lang", "0409"},
                   prefix_);
  };
  const CommandResult listed = preview(first);
  ASSERT_EQ(listed.status, 0) << listed.out;
  std::istringstream lines(listed.out);
  std::vector<std::string> names;
  for (std::string line; std::getline(lines, line);) names.push_back(line.substr(0, line.find('\t', 5)));
  EXPECT_EQ(names, (std::vector<std::string>{"0c09\t00", "0c09\t01", "0c09\t02", "0c09\t03", "0c09\t04"}))
      << listed.out;

  const Image gallery = ReadPng(first / "0c09-01-patch.png");
  ASSERT_FALSE(gallery.Empty());
  const ViewLook colours = LookOf(gallery);
  CheckGalleryPage(gallery, colours);
  EXPECT_TRUE(SameCaption(Part(gallery, kNext), Part(gallery, kInstallPanel), colours.face))
      << "Next reads Install";
  const Image progress = ReadPng(first / "0c09-02-patching.png");
  ASSERT_FALSE(progress.Empty());
  CheckGalleryGaugeAtHalf(progress);
  EXPECT_TRUE(GallerySideShown(progress, kJpegTolerance));
  Keep(gallery, "preview-gallery.png");

  const CommandResult again = preview(second);
  ASSERT_EQ(again.status, 0) << again.out;
  for (const auto& entry : fs::directory_iterator(first))
    EXPECT_EQ(ReadFile(entry.path()), ReadFile(second / entry.path().filename())) << entry.path().filename();
}

// setuptool.exe check measures with the Win32 view's fonts: the gallery has only the
// warning of its finish page, and a label too narrow for "Next >" is found.
TEST_F(PreviewUnderWine, CheckMeasuresCaptionsWithTheViewsFonts) {
  WriteGalleryAddOn(work_.Path(), linuxBin_ + "/data/languages");
  const std::string setup =
      Pack("gallery.setup", "Gallery_Setup.exe", {"--data", (work_.Path() / "data").string()});
  auto check = [&](const std::string& file) {
    return RunWine({wine_, windowsBin_ + "/setuptool.exe", "check", "Z:" + file}, prefix_);
  };
  const CommandResult clean = check(setup);
  EXPECT_EQ(clean.status, 0) << clean.out;
  EXPECT_EQ(clean.out, "warning\t-\t03-finish\tfinishtext\tthe page has no finishtext (the finish text)\n");

  const fs::path intro = work_.Path() / "data" / "layout" / "gallery" / "intro.txt";
  WriteFile(intro, ReadFile(intro) +
                       Crlf("[Narrow]\nType=TLabel\nAutoSize=false\nLeft=20\nTop=300\nWidth=20\nHeight=16\n"
                            "Caption=<LANG13>\n"));
  const std::string narrow =
      Pack("gallery.setup", "Narrow_Setup.exe", {"--data", (work_.Path() / "data").string()});
  const CommandResult found = check(narrow);
  EXPECT_EQ(found.status, 1) << found.out;
  EXPECT_NE(found.out.find("error\t0c09\t00-welcome\tNarrow\tthe caption needs "), std::string::npos)
      << found.out;
  EXPECT_NE(found.out.find("error\t0405\t00-welcome\tNarrow\tthe caption needs "), std::string::npos)
      << found.out;
}

}  // namespace
