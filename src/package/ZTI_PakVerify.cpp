#include "package/ZTI_PakVerify.h"

#include <map>
#include <vector>

#include "package/CRC.h"
#include "package/ZTI_PakExtended.h"
#include "package/ZTI_PakPieces.h"
#include "platform/Errors.h"
#include "platform/OrderedWork.h"
#include "platform/WorkBatches.h"

namespace {

// Pieces waiting to be handed over hold their stored bytes (and their content, when
// it is kept) while being checked, so a few times the largest piece is all the memory
// the check takes besides what it keeps.
constexpr uint64_t kVerifyBudget = 128ull << 20;
// Small pieces go to the workers together: one at a time, the hand-offs would cost
// more than checking them.
constexpr size_t kVerifyBatchCount = 64;
constexpr uint64_t kVerifyBatchCost = 1ull << 20;

// What a worker found in one piece: a whole entry's verdict, or the checksums of the
// slices it holds.
struct TChecked {
  TEntryVerdict verdict;                   // Entry pieces
  std::optional<Bytes> content;            // Entry pieces: when it is to be kept and read whole
  std::string problem;                     // Block and Stretch pieces: why they cannot be read
  std::vector<uint32_t> crcs;              // per slice
  std::vector<std::optional<Bytes>> kept;  // per slice: its part of a kept entry's content
};

TChecked CheckEntry(const TPak& pak, platform::File& file, int index, bool keepContent,
                    TBlockBuffers& buffers) {
  const TPakFile& entry = pak.Entries()[index];
  TChecked checked;
  TEntryVerdict& verdict = checked.verdict;
  if (entry.OrigSize == 0 || entry.IsLarge()) {
    verdict.Passes = true;
    return checked;
  }
  verdict.Checked = true;
  // An entry stored as it is and not kept is only summed: in the worker's buffer, when
  // it is no longer than a block (a longer one would hold its memory to the end).
  if (!keepContent && !entry.InBlocks && entry.CompSize == 0 && entry.OrigSize <= kMaxBlockContent) {
    const platform::Status read = pak.ReadStoredInto(file, index, buffers.content);
    verdict.Passes = static_cast<bool>(read);
    verdict.Problem = read.Problem();
    return checked;
  }
  TEntryRead read;
  try {
    read = pak.ReadEntryThrough(file, index, keepContent);
  } catch (const platform::ESetupError&) {
    verdict.Rejected = true;
    verdict.Problem = "zlib stream rejected";
    return checked;
  }
  verdict.Passes = read.Whole;
  verdict.Problem = read.Problem;
  verdict.InflatedLength = read.InflatedLength;
  if (read.Whole) checked.content = std::move(read.Content);
  return checked;
}

// A stretch of a stored entry, as it lies in the package.
platform::Result<Bytes> StretchOf(const TPak& pak, platform::File& file, const TReadPiece& piece) {
  const TPakFile& entry = pak.Entries()[piece.entry];
  const uint64_t end = pak.PackageEnd();
  const uint64_t start = entry.Offset + piece.offset;
  if (start > end || piece.length > end - start)
    return platform::Status::Failure("stored bytes lie beyond the end of the file");
  Bytes stretch(static_cast<size_t>(piece.length));
  if (!pak.ReadPackageAt(file, start, stretch.data(), stretch.size()))
    return platform::Status::SystemFailure("short read");
  return stretch;
}

// A block is decoded into the worker's buffers; a stretch is read on its own, since
// keeping a stretch's room from piece to piece would hold more memory than a block's.
TChecked CheckPiece(const TPak& pak, platform::File& file, const TReadPiece& piece,
                    const std::vector<bool>& keep, TBlockBuffers& buffers) {
  TChecked checked;
  platform::Result<Bytes> stretch = Bytes();
  const uint8_t* content = nullptr;
  if (piece.kind == TReadPiece::Kind::Block) {
    const platform::Status decoded = pak.DecodeBlockThrough(file, piece.block, buffers);
    if (!decoded) {
      checked.problem = decoded.Problem();
      return checked;
    }
    content = buffers.content.data();
  } else {
    stretch = StretchOf(pak, file, piece);
    if (!stretch) {
      checked.problem = stretch.Problem();
      return checked;
    }
    content = stretch->data();
  }
  for (const TPieceSlice& slice : piece.slices) {
    const uint8_t* at = content + slice.at;
    checked.crcs.push_back(Crc32(at, static_cast<size_t>(slice.length)));
    if (keep[slice.entry]) checked.kept.emplace_back(Bytes(at, at + slice.length));
    else checked.kept.emplace_back();
  }
  return checked;
}

// An entry whose slices come piece after piece: its checksum, length and (when it is
// kept) content put together in order, so that an entry over several blocks is decoded
// once for the check and the extraction both.
struct TSliced {
  uint32_t crc = 0;
  uint64_t length = 0;
  std::string problem;
  std::optional<Bytes> content;
};

void AddSlice(TSliced& sliced, const TPieceSlice& slice, const TChecked& checked, size_t s) {
  if (!checked.problem.empty()) {
    if (sliced.problem.empty()) sliced.problem = checked.problem;
    sliced.content.reset();
  } else {
    // An entry's first slice is its checksum so far: combining it with nothing would
    // cost more than summing most entries.
    sliced.crc =
        sliced.length == 0 ? checked.crcs[s] : Crc32Combine(sliced.crc, checked.crcs[s], slice.length);
    if (const std::optional<Bytes>& part = checked.kept[s]; part && sliced.problem.empty()) {
      if (!sliced.content) sliced.content.emplace();
      sliced.content->insert(sliced.content->end(), part->begin(), part->end());
    }
  }
  sliced.length += slice.length;
}

TEntryVerdict SlicedVerdict(const TPakFile& entry, const TSliced& sliced) {
  TEntryVerdict verdict;
  verdict.Checked = true;
  if (!sliced.problem.empty()) verdict.Problem = sliced.problem;
  else if (sliced.length != entry.OrigSize) verdict.Problem = "the entry runs past the last block";
  else if (sliced.crc != entry.CRC) verdict.Problem = "checksum mismatch";
  verdict.Passes = verdict.Problem.empty();
  return verdict;
}

}  // namespace

std::vector<bool> PlanKeptContents(const std::vector<TPakFile>& entries, uint64_t budget) {
  std::vector<bool> keep(entries.size(), false);
  uint64_t planned = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const TPakFile& entry = entries[i];
    if (entry.Group == 0 || entry.OrigSize == 0 || entry.IsLarge()) continue;
    if (planned + entry.OrigSize > budget) break;
    planned += entry.OrigSize;
    keep[i] = true;
  }
  return keep;
}

void VerifyEntries(const TPak& pak, const TVerifyOptions& options,
                   const std::function<bool(int index, const TEntryVerdict& verdict)>& onVerdict) {
  const std::vector<TPakFile>& entries = pak.Entries();
  const std::vector<TReadPiece> pieces = PlanPieces(pak);
  const unsigned workers = std::max(options.workers, 1u);
  std::vector<platform::File> files;  // one handle per worker, opened here, used there
  std::vector<TBlockBuffers> buffers(workers);
  for (unsigned w = 0; w < workers && w < pieces.size(); ++w) {
    files.push_back(pak.OpenReader());
    if (!files.back().IsOpen()) platform::RaiseSystemError("Cannot open file \"" + pak.FileName() + "\"");
  }
  const std::vector<bool> keep =
      options.keep ? PlanKeptContents(entries, options.keepBudget) : std::vector<bool>(entries.size());
  std::vector<uint64_t> costs;
  for (const TReadPiece& piece : pieces) {
    const bool kept = piece.kind == TReadPiece::Kind::Entry && keep[piece.entry];
    uint64_t keptSlices = 0;
    for (const TPieceSlice& slice : piece.slices)
      if (keep[slice.entry]) keptSlices += slice.length;
    costs.push_back(piece.cost + (kept ? entries[piece.entry].OrigSize : 0) + keptSlices);
  }
  const auto check = [&](unsigned worker, size_t p) {
    const TReadPiece& piece = pieces[p];
    if (piece.kind == TReadPiece::Kind::Entry)
      return CheckEntry(pak, files[worker], piece.entry, keep[piece.entry], buffers[worker]);
    return CheckPiece(pak, files[worker], piece, keep, buffers[worker]);
  };
  // A block's piece holds the entries stored as they are between its own entries too:
  // verdicts that come before their turn wait here, with what they keep, and go out
  // in table order.
  struct TReady {
    TEntryVerdict verdict;
    std::optional<Bytes> content;
  };
  std::map<int, TReady> ready;
  std::map<int, TSliced> sliced;  // entries whose slices are being put together
  int next = 0;
  const auto handReady = [&] {
    for (auto it = ready.find(next); it != ready.end(); it = ready.find(next)) {
      TReady entry = std::move(it->second);
      ready.erase(it);
      if (!onVerdict(next, entry.verdict)) return false;
      if (entry.content) options.keep->Keep(next, std::move(*entry.content));
      ++next;
    }
    return true;
  };
  const auto hand = [&](size_t p, TChecked&& checked) {
    const TReadPiece& piece = pieces[p];
    if (piece.kind == TReadPiece::Kind::Entry) {
      ready[piece.entry] = {checked.verdict, std::move(checked.content)};
      return handReady();
    }
    for (size_t s = 0; s < piece.slices.size(); ++s) {
      const TPieceSlice& slice = piece.slices[s];
      TSliced& so = sliced[slice.entry];
      AddSlice(so, slice, checked, s);
      if (!slice.last) continue;
      TReady entry{SlicedVerdict(entries[slice.entry], so), std::nullopt};
      if (entry.verdict.Passes) entry.content = std::move(so.content);
      sliced.erase(slice.entry);
      ready[slice.entry] = std::move(entry);
    }
    return handReady();
  };
  platform::RunInOrderInBatches<TChecked>(costs, {kVerifyBatchCost, kVerifyBatchCount},
                                          {workers, 0, kVerifyBudget}, check, hand);
}
