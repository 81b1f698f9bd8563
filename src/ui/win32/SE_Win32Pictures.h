// Pictures on Windows: JPEG, PNG, BMP and GIF decoded by the Windows Imaging
// Component from the package entry's bytes in memory (a stream over them, converted
// to 32-bit BGRA), and the page window's back buffer, a 32-bit DIB section that GDI
// draws on and pictures are blended into. Where a picture goes is the shared
// arithmetic of ui/SE_Picture.h.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/SE_Picture.h"

struct TDecodedPicture {
  TPixels Pixels;
  TPictureFormat Format = TPictureFormat::Unknown;
};

// Nothing when the bytes are no picture the system can read. COM must be initialised
// on the calling thread.
std::optional<TDecodedPicture> DecodePicture(const std::string& entryName, const std::vector<uint8_t>& bytes);

class TBackBuffer {
 public:
  TBackBuffer() = default;
  ~TBackBuffer();
  TBackBuffer(const TBackBuffer&) = delete;
  TBackBuffer& operator=(const TBackBuffer&) = delete;

  // A buffer of at least this size, compatible with the window's device context.
  bool Prepare(HDC windowDc, int width, int height);
  HDC Dc() const { return dc_; }
  // The pixels drawn with their top-left corner at (x, y), blended by their alpha,
  // within clip only.
  void Blend(const TPixels& pixels, int x, int y, const RECT& clip);

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint8_t* bits_ = nullptr;  // BGRX, rows from the top
  int width_ = 0, height_ = 0;
};
