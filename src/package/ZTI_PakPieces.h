// The package cut into pieces that a worker can read and check on its own, in table
// order: a whole entry; a solid block with the parts of the entries it holds; or a
// 25 MiB stretch of a large entry stored as it is. A large entry thus spreads over
// several pieces (and workers), and its checksum is put together from theirs in order,
// so checking it takes no more memory than a piece, and all cores.
#pragma once

#include <cstdint>
#include <vector>

#include "package/ZTI_PakFile.h"

// The part of one entry's content a piece holds.
struct TPieceSlice {
  int entry = 0;
  uint64_t at = 0;      // where it starts in the piece's content
  uint64_t length = 0;  // how much of the entry it is
  bool last = false;    // the entry's content ends in this piece
};

struct TReadPiece {
  enum class Kind { Entry, Block, Stretch };
  Kind kind = Kind::Entry;
  int entry = 0;                    // Entry, Stretch: the entry
  uint32_t block = 0;               // Block: the block
  uint64_t offset = 0;              // Stretch: where it starts in the entry's stored bytes
  uint64_t length = 0;              // Stretch: its length
  std::vector<TPieceSlice> slices;  // Block, Stretch: in table order
  uint64_t cost = 0;                // the memory reading it takes
};

// Every entry appears once: as one Entry piece, or as slices of pieces in the order of
// its content. Pieces follow the table order of the first entry they hold, so the
// entries of one block come with its piece, ahead of the entries stored as they are
// between them: a reader hands its verdicts on in table order. Large entries with a
// checksum are cut into stretches; those without (older packers) are a piece of
// their own that is not read.
std::vector<TReadPiece> PlanPieces(const TPak& pak);
