#include "package/ZTI_ZstdFrames.h"

#include <zstd.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

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

// Contexts kept from block to block: a fresh one allocates and clears its tables (tens
// of MiB at the packing level) for every block. Each call borrows one from a pool and
// gives it back, so there are never more than the calls running at once. (Contexts
// held in thread_local unique_ptrs crashed the 32-bit Windows programs as each worker
// thread ended: that toolchain's runtime mishandles such destructors at thread exit.)
template <class Context, class Free>
class ContextPool {
 public:
  using Owned = std::unique_ptr<Context, Free>;

  // A context of the pool (a new one when all are lent out), reset for a new frame.
  template <class Create>
  Owned Borrow(Create create) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!idle_.empty()) {
        Owned context = std::move(idle_.back());
        idle_.pop_back();
        return context;
      }
    }
    Owned context(create());
    if (!context) ZstdFailed();
    return context;
  }
  void GiveBack(Owned context) {
    std::lock_guard<std::mutex> lock(mutex_);
    idle_.push_back(std::move(context));
  }

 private:
  std::mutex mutex_;
  std::vector<Owned> idle_;
};

// A context borrowed for one call, given back however the call ends.
template <class Context, class Free>
class Borrowed {
 public:
  template <class Create>
  Borrowed(ContextPool<Context, Free>& pool, Create create) : pool_(pool), context_(pool.Borrow(create)) {}
  ~Borrowed() { pool_.GiveBack(std::move(context_)); }
  Borrowed(const Borrowed&) = delete;
  Borrowed& operator=(const Borrowed&) = delete;
  Context* get() const { return context_.get(); }

 private:
  ContextPool<Context, Free>& pool_;
  typename ContextPool<Context, Free>::Owned context_;
};

ContextPool<ZSTD_CCtx, FreeCCtx>& Compressors() {
  static ContextPool<ZSTD_CCtx, FreeCCtx> pool;
  return pool;
}

ContextPool<ZSTD_DCtx, FreeDCtx>& Decompressors() {
  static ContextPool<ZSTD_DCtx, FreeDCtx> pool;
  return pool;
}

}  // namespace

std::vector<uint8_t> CompressZstd(const uint8_t* data, size_t size, int level) {
  const Borrowed compressor(Compressors(), ZSTD_createCCtx);
  ZSTD_CCtx* c = compressor.get();
  Check(ZSTD_CCtx_reset(c, ZSTD_reset_session_and_parameters));
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
  const Borrowed decompressor(Decompressors(), ZSTD_createDCtx);
  ZSTD_DCtx* d = decompressor.get();
  Check(ZSTD_DCtx_reset(d, ZSTD_reset_session_and_parameters));
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

std::optional<uint64_t> ZstdContentSize(const uint8_t* data, size_t size) {
  const unsigned long long length = ZSTD_getFrameContentSize(data, size);
  if (length == ZSTD_CONTENTSIZE_UNKNOWN || length == ZSTD_CONTENTSIZE_ERROR) return std::nullopt;
  return length;
}
