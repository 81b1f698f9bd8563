// Loading pictures through FLTK's image loaders via the temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/screen/ScreenSupport.h"
#include "platform/Files.h"
#include "support/TestMachine.h"
#include "ui/fltk/SE_FltkImages.h"
#include "ui/SE_Picture.h"

namespace {

TEST(Picture, LoadsThroughTheTemporaryFolderAndCleansUp) {
  testing_support::TempPrefix prefix;
  const std::vector<uint8_t> bmp = screen_test::BmpBytes(3, 2, [](int x, int y) {
    return screen_test::Rgb{static_cast<uint8_t>(10 * x), static_cast<uint8_t>(100 + y), 50};
  });
  struct Case {
    std::string name;
    std::vector<uint8_t> bytes;
    TPictureFormat format;
  };
  const Case cases[] = {
      {"side.bmp", bmp, TPictureFormat::Bmp},
      {"..\\..\\outside.bmp", bmp, TPictureFormat::Bmp},      // never leaves the folder
      {"pics\\wrongly named.jpg", bmp, TPictureFormat::Bmp},  // read by its first bytes
      {"plain.png", screen_test::PngBytes(2, 2, {9, 8, 7}), TPictureFormat::Png},
  };
  for (const Case& c : cases) {
    const std::optional<TLoadedPicture> loaded = LoadPicture(c.name, c.bytes);
    ASSERT_TRUE(loaded) << c.name;
    EXPECT_EQ(loaded->Format, c.format) << c.name;
    if (c.format == TPictureFormat::Bmp) {
      ASSERT_EQ(loaded->Pixels.Width, 3);
      ASSERT_EQ(loaded->Pixels.Height, 2);
      EXPECT_EQ(loaded->Pixels.At(2, 1)[0], 20);
      EXPECT_EQ(loaded->Pixels.At(2, 1)[1], 101);
      EXPECT_EQ(loaded->Pixels.At(2, 1)[2], 50);
    } else {
      EXPECT_EQ(loaded->Pixels.At(1, 1)[0], 9);
    }
  }
  EXPECT_FALSE(LoadPicture("broken.jpg", {0xFF, 0xD8, 0xFF, 0x00, 0x01}));
  EXPECT_FALSE(LoadPicture("text.bmp", {'h', 'e', 'l', 'l', 'o'}));
  // Nothing is left behind, and nothing was written outside the temporary folder.
  const std::optional<std::string> temp = platform::HostPathOf(platform::TempFolder());
  ASSERT_TRUE(temp);
  EXPECT_TRUE(std::filesystem::is_empty(*temp));
  EXPECT_FALSE(std::filesystem::exists(prefix.DriveC() / "users" / "outside.bmp"));
}

}  // namespace
