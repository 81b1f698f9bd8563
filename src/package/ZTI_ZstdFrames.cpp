#include "package/ZTI_ZstdFrames.h"

#include <zstd.h>

#include <algorithm>
#include <memory>

#include "platform/Errors.h"

namespace {

// The largest window a block may use: blocks hold at most 16 MiB (kMaxBlockContent),
// so decoding one never takes more memory than that.
constexpr int kMaxWindowLog = 24;

[[noreturn]] void ZstdFailed() { throw platform::ESetupError("error"); }

struct FreeCCtx {
  void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};
struct FreeDCtx {
  void operator()(ZSTD_DCtx* d) const { ZSTD_freeDCtx(d); }
};

// The smallest window that covers the content: a larger one finds nothing more in a
// block and would make the decoder reserve memory it never uses.
int WindowLogFor(size_t size) {
  int log = 10;  // zstd's smallest window
  while (log < kMaxWindowLog && (size_t{1} << log) < size) ++log;
  return log;
}

void Check(size_t status) {
  if (ZSTD_isError(status)) ZstdFailed();
}

// One context per thread, kept from block to block: a fresh one allocates and clears
// its tables (tens of MiB at the packing level) for every block.
ZSTD_CCtx* ThreadCompressor() {
  thread_local std::unique_ptr<ZSTD_CCtx, FreeCCtx> context(ZSTD_createCCtx());
  if (!context) ZstdFailed();
  Check(ZSTD_CCtx_reset(context.get(), ZSTD_reset_session_and_parameters));
  return context.get();
}

ZSTD_DCtx* ThreadDecompressor() {
  thread_local std::unique_ptr<ZSTD_DCtx, FreeDCtx> context(ZSTD_createDCtx());
  if (!context) ZstdFailed();
  Check(ZSTD_DCtx_reset(context.get(), ZSTD_reset_session_and_parameters));
  return context.get();
}

}  // namespace

std::vector<uint8_t> CompressZstd(const uint8_t* data, size_t size, int level) {
  ZSTD_CCtx* c = ThreadCompressor();
  Check(ZSTD_CCtx_setParameter(c, ZSTD_c_compressionLevel, level));
  Check(ZSTD_CCtx_setParameter(c, ZSTD_c_windowLog, WindowLogFor(size)));
  // No content checksum of zstd's own: the block's CRC-32 covers the frame and each
  // entry's the content, and a second pass over every byte cost a tenth of the check.
  Check(ZSTD_CCtx_setParameter(c, ZSTD_c_checksumFlag, 0));
  Check(ZSTD_CCtx_setParameter(c, ZSTD_c_contentSizeFlag, 1));
  std::vector<uint8_t> out(ZSTD_compressBound(size));
  const size_t written = ZSTD_compress2(c, out.data(), out.size(), data, size);
  Check(written);
  out.resize(written);
  return out;
}

uint64_t DecompressZstd(const uint8_t* data, size_t size, uint8_t* out, size_t expectedLength) {
  ZSTD_DCtx* d = ThreadDecompressor();
  // A block's window never exceeds what the packer gives it; a frame that asks for
  // more was not made by it, and is refused before any memory is taken for it.
  Check(ZSTD_DCtx_setParameter(d, ZSTD_d_windowLogMax, kMaxWindowLog));
  ZSTD_inBuffer in{data, size, 0};
  ZSTD_outBuffer target{out, expectedLength, 0};
  size_t status = 1;
  while (status != 0 && target.pos < target.size) {
    status = ZSTD_decompressStream(d, &target, &in);
    Check(status);
    if (status != 0 && in.pos == in.size && target.pos < target.size) ZstdFailed();  // the frame ends early
  }
  if (status == 0) {
    if (in.pos != in.size) ZstdFailed();  // a block is one frame and nothing after it
    return target.pos;
  }
  // The content is complete but the frame goes on: one byte more tells a longer frame
  // from one whose end mark (and checksum) is all that is left.
  uint8_t extra = 0;
  ZSTD_outBuffer spill{&extra, 1, 0};
  while (status != 0 && spill.pos == 0) {
    status = ZSTD_decompressStream(d, &spill, &in);
    Check(status);
    if (status != 0 && spill.pos == 0 && in.pos == in.size) ZstdFailed();
  }
  if (status == 0 && in.pos != in.size) ZstdFailed();
  return target.pos + spill.pos;
}
