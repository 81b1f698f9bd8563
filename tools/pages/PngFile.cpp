#include "PngFile.h"

#include <zlib.h>

#include <string_view>

#include "package/CRC.h"
#include "platform/Errors.h"

namespace {

constexpr int kLevel = 6;

void PutBig32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// length, type, data, and the CRC over type and data.
void PutChunk(std::vector<uint8_t>& out, std::string_view type, const std::vector<uint8_t>& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  PutBig32(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

// Rows of RGB, each after its filter byte 0.
std::vector<uint8_t> RawRows(const TPixels& picture) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(picture.Height) * (1 + static_cast<size_t>(picture.Width) * 3));
  for (int32_t y = 0; y < picture.Height; ++y) {
    raw.push_back(0);
    for (int32_t x = 0; x < picture.Width; ++x) {
      const uint8_t* p = picture.At(x, y);
      raw.insert(raw.end(), p, p + 3);
    }
  }
  return raw;
}

std::vector<uint8_t> Deflated(const std::vector<uint8_t>& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(size);
  if (compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), kLevel) != Z_OK)
    throw platform::ESetupError("the picture could not be compressed");
  packed.resize(size);
  return packed;
}

}  // namespace

std::vector<uint8_t> PngBytesOf(const TPixels& picture) {
  std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBig32(header, static_cast<uint32_t>(picture.Width));
  PutBig32(header, static_cast<uint32_t>(picture.Height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter choice, no interlace
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", Deflated(RawRows(picture)));
  PutChunk(out, "IEND", {});
  return out;
}
