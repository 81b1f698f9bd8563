// Pictures through FLTK's image loaders, and pixels on screen.
//
// A picture entry's bytes are written to the user's temporary folder under the
// entry's file name, loaded from there by the loader its extension names (".jpg" and
// ".jpeg", ".png", ".bmp", ".gif"), and the file is deleted. A picture whose extension
// names no loader, or whose loader fails, is tried by its first bytes; a picture no
// loader can read, or one wider or higher than kMaxPictureSide, stays empty.
#pragma once

#include <FL/Fl_Image.H>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/SE_Picture.h"

struct TLoadedPicture {
  TPixels Pixels;
  TPictureFormat Format = TPictureFormat::Unknown;
};

std::optional<TLoadedPicture> LoadPicture(const std::string& entryName, const std::vector<uint8_t>& bytes);

// Pixels made drawable: opaque pictures as RGB, others as RGBA.
class TScreenImage {
 public:
  void Set(const TPixels& pixels);
  void Clear();
  bool Empty() const { return !image_; }
  // Draws with the top-left corner at (x, y); the caller clips.
  void Draw(int x, int y);

 private:
  std::vector<uint8_t> bytes_;
  std::unique_ptr<Fl_RGB_Image> image_;
};
