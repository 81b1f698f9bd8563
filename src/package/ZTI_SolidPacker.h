// Packing entries into the extended layout with zstd solid blocks, on all workers,
// written in order so that the package is byte for byte the same for any number of
// threads.
//
// The entries are cut into units before anything is read, from their sizes alone:
// consecutive entries of one group up to kSolidBlockSize together, and an entry larger
// than that alone, in stretches of kSolidBlockSize. A worker reads a unit and makes
// its block: the content of its entries back to back in one zstd frame, but for those
// that deflate cannot shrink by 1% (PNG, OGG, JPEG ...), which are stored as they are
// beside it, so that the start-up check only sums them. An entry larger than a block
// that deflate does not shrink by 1% on its first bytes (a texture or sound archive) is
// stored as it is, every stretch of it alike: compressing it would take long and gain
// nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "package/ZTI_PakFile.h"
#include "package/ZTI_ZstdFrames.h"

// The content one block holds at most: large enough that a block finds what text,
// scripts and maps of one group repeat, small enough that verification and extraction
// spread over all cores and an entry is never far from its block's start.
constexpr uint64_t kSolidBlockSize = 8ull << 20;

struct TSolidSource {
  std::string name;
  std::string path;  // the file, when content is absent
  const Bytes* content = nullptr;
  uint16_t group = 0;
  uint64_t size = 0;  // as planned; a file that changed size since is refused
};

struct TSolidUnit {
  size_t first = 0;  // the unit's first source
  size_t count = 0;  // how many sources follow from it
  uint64_t stretchOffset = 0;
  uint64_t stretchLength = 0;  // 0: whole sources; else a stretch of source first
};

std::vector<TSolidUnit> PlanSolidUnits(const std::vector<TSolidSource>& sources,
                                       uint64_t blockSize = kSolidBlockSize);

// A unit as packed by a worker: the frame of its block (when any of it went into one)
// and, per source, where it lies or its stored form.
struct TSolidPacked {
  Bytes frame;
  uint64_t contentSize = 0;
  struct Part {
    bool inBlock = false;
    uint64_t at = 0;      // in the block's content
    uint64_t length = 0;  // of this unit's part of the source
    uint32_t crc = 0;     // CRC-32 of that part
    Bytes stored;         // the part as it is, when not in the block
  };
  std::vector<Part> parts;
};

// Raises ESetupError naming the file when a source cannot be read whole. With
// storeIncompressible false, whole sources go into the block whatever they hold.
TSolidPacked PackSolidUnit(const std::vector<TSolidSource>& sources, const TSolidUnit& unit,
                           int level = kZstdPackLevel, bool storeIncompressible = true);

// Writes the packed units into the package in unit order: blocks, entries stored as
// they are, and the records of entries in blocks. False when the package cannot be
// written.
class TSolidWriter {
 public:
  TSolidWriter(TPak& pak, const std::vector<TSolidSource>& sources) : pak_(pak), sources_(sources) {}
  bool Store(const TSolidUnit& unit, const TSolidPacked& packed);

 private:
  bool StorePart(size_t source, const TSolidUnit& unit, const TSolidPacked::Part& part,
                 std::optional<uint32_t> block);

  TPak& pak_;
  const std::vector<TSolidSource>& sources_;
  int current_ = -1;  // the entry whose stretches are being written
  uint32_t crc_ = 0;  // its checksum so far
};

struct TSolidOptions {
  unsigned workers = 1;
  uint64_t blockSize = kSolidBlockSize;
  int level = kZstdPackLevel;
  // Entries that deflate cannot shrink by 1% are stored beside the blocks, so that the
  // start-up check only sums them; the strongest setting puts them into the blocks,
  // where zstd finds what their headers and palettes share (0.4% of a game's data
  // whose files are mostly PNG), for a start-up check that decodes them too.
  bool storeIncompressible = true;
};

// The strongest setting an author may choose: level 19 in blocks of the same size
// (the reading of the package takes no more memory than at the default), every entry
// but those larger than a block in them.
inline TSolidOptions StrongestSolidOptions(unsigned workers) {
  return {workers, kSolidBlockSize, kZstdMaxLevel, false};
}

// The whole run: plans, packs on the workers and writes in order; progress(i) runs on
// the calling thread as entry i is written. Raises ESetupError when a source cannot
// be read or the package cannot be written.
void PackSolid(TPak& pak, const std::vector<TSolidSource>& sources, const TSolidOptions& options,
               const std::function<void(size_t)>& progress);
