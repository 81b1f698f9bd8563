#include "package/ZTI_ZStream.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#include "platform/Errors.h"

namespace {

[[noreturn]] void ZlibFailed() { throw platform::ESetupError("error"); }

// Feeds at most UINT_MAX bytes per call, as z_stream counts in 32 bits.
uInt Clamp(size_t n) { return static_cast<uInt>(std::min<size_t>(n, UINT_MAX)); }

}  // namespace

std::vector<uint8_t> CompressZlib(const uint8_t* data, size_t size, int level) {
  z_stream z{};
  if (deflateInit(&z, level) != Z_OK) ZlibFailed();
  std::vector<uint8_t> out(deflateBound(&z, size));
  z.next_in = const_cast<Bytef*>(data);
  z.next_out = out.data();
  size_t inLeft = size, outLeft = out.size();
  int status = Z_OK;
  while (status == Z_OK) {
    z.avail_in = Clamp(inLeft);
    z.avail_out = Clamp(outLeft);
    const uInt in0 = z.avail_in, out0 = z.avail_out;
    status = deflate(&z, inLeft == z.avail_in ? Z_FINISH : Z_NO_FLUSH);
    inLeft -= in0 - z.avail_in;
    outLeft -= out0 - z.avail_out;
    if (status == Z_BUF_ERROR) status = Z_OK;  // more room is given on the next call
    if (outLeft == 0 && status != Z_STREAM_END) status = Z_BUF_ERROR;
  }
  deflateEnd(&z);
  if (status != Z_STREAM_END) ZlibFailed();
  out.resize(out.size() - outLeft);
  return out;
}

TInflated InflateZlib(const uint8_t* data, size_t size, size_t expectedLength) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) ZlibFailed();
  TInflated result;
  // Deflate expands at most about 1032:1, so a stream of this size cannot fill more;
  // a length read from a damaged table costs no more memory than that.
  const size_t capacity = std::min<size_t>(expectedLength, size * 1032 + 1024);
  result.data.resize(capacity);
  std::vector<uint8_t> overflow;  // counts what a too-long stream gives beyond
  z.next_in = const_cast<Bytef*>(data);
  size_t inLeft = size;
  size_t produced = 0;
  int status = Z_OK;
  while (status == Z_OK) {
    const bool inResult = produced < capacity;
    if (!inResult && overflow.empty()) overflow.resize(1 << 16);
    z.next_out = inResult ? result.data.data() + produced : overflow.data();
    z.avail_out = inResult ? Clamp(capacity - produced) : Clamp(overflow.size());
    z.avail_in = Clamp(inLeft);
    const uInt in0 = z.avail_in, out0 = z.avail_out;
    status = inflate(&z, Z_NO_FLUSH);
    inLeft -= in0 - z.avail_in;
    produced += out0 - z.avail_out;
    // No progress with input left means the output was full: go round for more room.
    if (status == Z_BUF_ERROR && inLeft > 0 && z.avail_out == 0) status = Z_OK;
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END) ZlibFailed();
  result.length = produced;
  if (produced != expectedLength) result.data.clear();
  return result;
}

uint64_t InflatedLength(const uint8_t* data, size_t size) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) ZlibFailed();
  std::vector<uint8_t> sink(1 << 16);
  z.next_in = const_cast<Bytef*>(data);
  size_t inLeft = size;
  uint64_t produced = 0;
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = sink.data();
    z.avail_out = Clamp(sink.size());
    z.avail_in = Clamp(inLeft);
    const uInt in0 = z.avail_in, out0 = z.avail_out;
    status = inflate(&z, Z_NO_FLUSH);
    inLeft -= in0 - z.avail_in;
    produced += out0 - z.avail_out;
    if (status == Z_BUF_ERROR && inLeft > 0 && z.avail_out == 0) status = Z_OK;
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END) ZlibFailed();
  return produced;
}
