#include "package/ZTI_PakPieces.h"

#include <algorithm>
#include <map>

namespace {

void PlanStretches(std::vector<TReadPiece>& pieces, int index, const TPakFile& entry) {
  for (uint64_t done = 0; done < entry.OrigSize; done += kLargeChunkSize) {
    TReadPiece piece;
    piece.kind = TReadPiece::Kind::Stretch;
    piece.entry = index;
    piece.offset = done;
    piece.length = std::min<uint64_t>(kLargeChunkSize, entry.OrigSize - done);
    piece.cost = piece.length;
    piece.slices.push_back({index, 0, piece.length, done + piece.length == entry.OrigSize});
    pieces.push_back(std::move(piece));
  }
}

// An entry in blocks: a slice in each block it covers. Its first block's piece is the
// one planned for that block already, when there is one: the packer puts the entries
// it did not compress (PNG, OGG ...) between those of a block, and the block is
// decoded once all the same.
void PlanBlockSlices(std::vector<TReadPiece>& pieces, std::map<uint32_t, size_t>& planned, const TPak& pak,
                     int index, const TPakFile& entry) {
  const std::vector<TPakBlock>& blocks = pak.Blocks();
  uint64_t done = 0;
  uint64_t at = entry.Offset;
  for (uint32_t block = entry.Block; block < blocks.size(); ++block, at = 0) {
    const auto known = planned.find(block);
    size_t piece = 0;
    if (block == entry.Block && known != planned.end()) {
      piece = known->second;
    } else {
      TReadPiece fresh;
      fresh.kind = TReadPiece::Kind::Block;
      fresh.block = block;
      fresh.cost = blocks[block].StoredSize + blocks[block].ContentSize;
      piece = pieces.size();
      planned[block] = piece;
      pieces.push_back(std::move(fresh));
    }
    const uint64_t room = blocks[block].ContentSize - std::min(at, blocks[block].ContentSize);
    const uint64_t n = std::min(room, entry.OrigSize - done);
    done += n;
    pieces[piece].slices.push_back({index, at, n, done == entry.OrigSize});
    if (done == entry.OrigSize) return;
  }
  // The blocks end before the entry does: its last slice says so by falling short.
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it)
    if (!it->slices.empty() && it->slices.back().entry == index) {
      it->slices.back().last = true;
      return;
    }
}

}  // namespace

std::vector<TReadPiece> PlanPieces(const TPak& pak) {
  std::vector<TReadPiece> pieces;
  std::map<uint32_t, size_t> planned;  // block -> the piece that decodes it
  const std::vector<TPakFile>& entries = pak.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const int index = static_cast<int>(i);
    const TPakFile& entry = entries[i];
    if (entry.InBlocks && entry.OrigSize > 0 && entry.Block < pak.Blocks().size()) {
      PlanBlockSlices(pieces, planned, pak, index, entry);
    } else if (entry.LargeAndChecked() && !entry.InBlocks && entry.CompSize == 0) {
      PlanStretches(pieces, index, entry);
    } else {
      TReadPiece piece;
      piece.entry = index;
      piece.cost = entry.IsLarge() ? 0 : entry.StoredLength() + entry.OrigSize;
      pieces.push_back(std::move(piece));
    }
  }
  return pieces;
}
