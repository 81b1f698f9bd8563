// Pictures written as PNG files: 8-bit RGB, no interlace, every row unfiltered and
// the whole compressed at zlib's level 6 (on wizard pages level 9 made files no
// smaller and took twice the time). The bytes depend on the pixels alone (no time, no
// text chunks), so the same page gives the same file.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/SE_Picture.h"

// The file's bytes for the picture (its alpha left out).
std::vector<uint8_t> PngBytesOf(const TPixels& picture);
