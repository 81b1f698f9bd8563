#include "support/screen/ScreenGallery.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace screen_test {

namespace {

constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kPlate{40, 120, 60};  // the picture under the transparent label

// The first page: Next reads text 13 there, as the panel beside its place does.
const char kIntroLayout[] =
    "[Intro]\nType=TLabel\nLeft=20\nTop=20\nFontColour=$FFFFFF\nCaption=<LANG1>\n"
    "[IntroFocus]\nType=TEdit\nLeft=20\nTop=100\nWidth=150\nText=the focus stays here\n"
    "[NextPanel]\nType=TPanel\nLeft=470\nTop=212\nWidth=73\nHeight=25\nCaption=<LANG13>\n";

const char kGalleryLayout[] =
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
    "[Plate]\nType=TImage\nLeft=410\nTop=10\nWidth=160\nHeight=40\nStretch=true\nFile=plate.png\n"
    "[OverPlate]\nType=TLabel\nLeft=414\nTop=22\nTransparent=true\nFontColour=$00FFFF\n"
    "Caption=Over a picture\n"
    "[Rich1]\nType=TRichEdit\nLeft=250\nTop=100\nWidth=300\nHeight=100\nFile=readme.rtf\n"
    "[Radio1]\nType=TRadio\nLeft=10\nTop=215\nWidth=120\nHeight=20\nFontColour=$FFFFFF\n"
    "Caption=Option one\nChecked=true\n"
    "[Radio2]\nType=TRadio\nLeft=10\nTop=240\nWidth=120\nHeight=20\nFontColour=$FFFFFF\n"
    "Caption=Option two\n"
    "[Gauge1]\nType=TProgressBar\nLeft=250\nTop=215\nWidth=200\nHeight=22\n"
    "[InstallPanel]\nType=TPanel\nLeft=470\nTop=212\nWidth=73\nHeight=25\nCaption=<LANG15>\n"
    "[Tree1]\nType=TShellTreeView\nLeft=250\nTop=245\nWidth=300\nHeight=110\n";

const char kProgressLayout[] =
    "[patching_progressbar]\nType=TProgressBar\nLeft=20\nTop=20\nWidth=300\nHeight=22\n"
    "ForeColour=$0000FF\nBackColour=$00FF00\n"
    "[patching_statuslabel]\nType=TLabel\nLeft=20\nTop=50\nWidth=300\nHeight=16\nAutoSize=false\n"
    "Transparent=true\nFontColour=$FFFFFF\nCaption=\n";

const char kFinishLayout[] =
    "[Done]\nType=TLabel\nLeft=20\nTop=20\nFontColour=$FFFFFF\nCaption=Done\n"
    "[FinishFocus]\nType=TEdit\nLeft=20\nTop=100\nWidth=150\nText=the focus stays here\n"
    "[FinishPanel]\nType=TPanel\nLeft=470\nTop=212\nWidth=75\nHeight=25\nCaption=<LANG16>\n";

// Centred in 230 x 105: the picture's columns from 27 on, rows 135 to 239 of it.
const char kBackgroundLayout[] =
    "[SidePic]\nType=TImage\nLeft=10\nTop=265\nWidth=230\nHeight=105\nCenter=true\nFile=Side.jpg\n";

void WritePictures(const fs::path& pages) {
  WriteBytes(pages / "pattern.bmp", BmpBytes(10, 10, [](int x, int y) {
               return Rgb{static_cast<uint8_t>(x * 20), static_cast<uint8_t>(y * 20), 200};
             }));
  WriteBytes(pages / "quad.bmp", BmpBytes(2, 2, [](int x, int y) {
               const Rgb c[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
               return c[y * 2 + x];
             }));
  WriteBytes(pages / "dot.png", PngBytes(2, 2, {9, 8, 7}));
  WriteBytes(pages / "plate.png", PngBytes(2, 2, kPlate));
  WriteBytes(pages / "key.bmp", BmpBytes(20, 20, [](int x, int y) {
               const bool inner = x >= 5 && x < 15 && y >= 5 && y < 15;
               return inner ? Rgb{255, 255, 0} : Rgb{255, 0, 255};
             }));
  fs::copy_file(fs::path(SE_SOURCE_DIR) / "data" / "layout" / "standard" / "Side.jpg", pages / "Side.jpg",
                fs::copy_options::overwrite_existing);
}

}  // namespace

void WriteGalleryAddOn(const fs::path& work, const fs::path& languagesDir) {
  const fs::path data = work / "data";
  fs::create_directories(data);
  fs::copy(languagesDir, data / "languages",
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  const fs::path pages = data / "layout" / "gallery";
  WriteFile(pages / "Pages.txt", Crlf("[Pages]\nintro.txt\ngallery.txt\nprogress.txt\nend.txt\nback.txt\n"
                                      "[PageTypes]\nWelcome\nPatch\nPatching\nFinish\nMainLayout\n"
                                      "[Settings]\ncolour $00402010\n"));
  WriteFile(pages / "intro.txt", Crlf(kIntroLayout));
  WriteFile(pages / "gallery.txt", Crlf(kGalleryLayout));
  WriteFile(pages / "progress.txt", Crlf(kProgressLayout));
  WriteFile(pages / "end.txt", Crlf(kFinishLayout));
  WriteFile(pages / "back.txt", Crlf(kBackgroundLayout));
  WritePictures(pages);
  WriteFile(pages / "readme.rtf",
            "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl ;\\red255\\green0\\blue0;}"
            "\\f0\\fs20 Read \\b me\\b0 : {\\cf1\\fs28 RED TEXT} and \\ul underlined\\ulnone .\\par"
            "{\\*\\hidden not shown}second paragraph\\par}");
  AddOnOptions options;
  options.prefix = "Gallery";
  options.installDir = "C:\\Gallery";
  options.pages = "gallery";
  options.uninstaller = false;  // its pages are not in the gallery's data
  WriteRoundTripAddOn(work, options);
  std::string script = ReadFile(work / "gui.setup");
  script.replace(0, script.find('\n'), "name \"Gallery\"");
  WriteFile(work / "gallery.setup", script);
}

bool GallerySideShown(const Image& page, int jpegTolerance) {
  return SideShownAt(page, 10 + 27, 265, Box{0, 135, SidePicture::kWidth, 105}, jpegTolerance) &&
         page.At(12, 300) == kGalleryPanel && page.At(238, 300) == kGalleryPanel;
}

namespace {

void CheckPictures(const Image& page, int jpegTolerance) {
  // Tiled: a 10 x 10 picture drawn 3 x 3 times into 25 x 25.
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 25; ++x)
      ASSERT_EQ(page.At(10 + x, 10 + y),
                (Rgb{static_cast<uint8_t>(x % 10 * 20), static_cast<uint8_t>(y % 10 * 20), 200}))
          << x << "," << y;
  EXPECT_EQ(page.At(35, 20), kGalleryPanel);
  // Stretched 2 x 2 into 40 x 40: four quarters.
  EXPECT_EQ(page.At(50 + 5, 10 + 5), (Rgb{255, 0, 0}));
  EXPECT_EQ(page.At(50 + 35, 10 + 5), (Rgb{0, 255, 0}));
  EXPECT_EQ(page.At(50 + 5, 10 + 35), (Rgb{0, 0, 255}));
  EXPECT_EQ(page.At(50 + 35, 10 + 35), kWhite);
  // Centred 2 x 2 in 30 x 30 at (14, 14).
  EXPECT_EQ(page.At(100 + 14, 10 + 14), (Rgb{9, 8, 7}));
  EXPECT_EQ(page.At(100 + 15, 10 + 15), (Rgb{9, 8, 7}));
  EXPECT_EQ(page.At(100 + 13, 10 + 13), kGalleryPanel);
  // Transparent bitmap: the bottom-left colour lets the panel through.
  EXPECT_EQ(page.At(140 + 1, 10 + 1), kGalleryPanel);
  EXPECT_EQ(page.At(140 + 10, 10 + 10), (Rgb{255, 255, 0}));
  EXPECT_TRUE(GallerySideShown(page, jpegTolerance)) << "the background page's side picture, centred";
}

void CheckLabels(const Image& page) {
  // A label that is not transparent fills its bounds with the panel's colour; its text
  // is yellow.
  EXPECT_EQ(Brightest(page.Crop(10, 60, 150, 30)), kYellow);
  EXPECT_FALSE(Uniform(page.Crop(10, 95, 100, 13), kGalleryPanel)) << "the label that sizes itself";
  // A transparent label over a picture: yellow text, the picture all around it.
  const Image plate = page.Crop(410, 10, 160, 40);
  EXPECT_TRUE(Near(Brightest(plate), kYellow, 2)) << ToString(Brightest(plate));
  EXPECT_FALSE(Contains(plate, kGalleryPanel)) << "the label over the picture is not transparent";
  EXPECT_EQ(plate.At(1, 1), kPlate);
  EXPECT_EQ(plate.At(158, 38), kPlate);
  EXPECT_EQ(plate.At(2, 14), kPlate) << "left of the text";
  EXPECT_FALSE(Uniform(plate.Crop(4, 12, 60, 13), kPlate)) << "the text over the picture";
}

}  // namespace

void CheckGalleryPage(const Image& page, const ViewLook& colours) {
  CheckPictures(page, colours.jpegTolerance);
  CheckLabels(page);
  // Bevel: a lowered box; panel: a raised edge around the button face.
  EXPECT_EQ(page.At(170, 165), colours.shadow);
  EXPECT_EQ(page.At(170 + 59, 165 + 39), colours.highlight);
  EXPECT_EQ(page.At(10, 165), colours.highlight);
  EXPECT_EQ(page.At(10 + 149, 165 + 39), colours.shadow);
  EXPECT_EQ(page.At(12, 167), colours.face);
  // Memo and rich edit: white boxes; the rich text's colour table.
  EXPECT_EQ(page.At(252, 85), kWhite);
  EXPECT_FALSE(Uniform(page.Crop(253, 13, 140, 30), kWhite)) << "the memo's text";
  EXPECT_TRUE(Contains(page.Crop(251, 101, 298, 98), {255, 0, 0})) << "the red words";
  // The gauge as created: a solid border, an empty white bar and "0%".
  EXPECT_EQ(page.At(250, 215), kGalleryPanel) << "column and row 0 are left to the panel";
  EXPECT_EQ(page.At(251, 216), kGaugeBorder);
  EXPECT_EQ(page.At(449, 236), kGaugeBorder);
  EXPECT_EQ(page.At(252, 217), kWhite);
  EXPECT_EQ(page.At(448, 235), kWhite);
  EXPECT_FALSE(Uniform(page.Crop(252, 217, 196, 18), kWhite)) << "the caption";
  EXPECT_FALSE(Uniform(page.Crop(253, 248, 200, 40), kWhite)) << "the folder tree";
}

void CheckGalleryGaugeAtHalf(const Image& page) {
  CheckGaugeAtHalf(page, kGalleryGauge, kGalleryPanel, kGaugeFore, kGaugeBack);
}

namespace {

// The text's shape: its pixels (those darker than half the face) in black on white.
Image TextShape(const Image& inside, Rgb face) {
  Image shape = inside;
  const int limit = (face.r + face.g + face.b) / 2;
  for (size_t i = 0; i + 2 < shape.rgb.size(); i += 3) {
    const bool dark = shape.rgb[i] + shape.rgb[i + 1] + shape.rgb[i + 2] < limit;
    shape.rgb[i] = shape.rgb[i + 1] = shape.rgb[i + 2] = dark ? 0 : 255;
  }
  return Ink(shape, kWhite);
}

}  // namespace

bool SameCaption(const Image& button, const Image& panel, Rgb face) {
  const Image a = TextShape(button.Crop(3, 3, button.width - 6, button.height - 6), face);
  const Image b = TextShape(panel.Crop(3, 3, panel.width - 6, panel.height - 6), face);
  return !a.Empty() && a == b;
}

}  // namespace screen_test
