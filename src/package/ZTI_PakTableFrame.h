// The extended table of a zstd package is kept as one zstd frame (the locator's
// Required bit kZstdTable says so): its entry names and numbers repeat so much that a
// game's 16,000 entries take a fifth of their bytes, 1% of the whole package.
#pragma once

#include <optional>

#include "package/ZTI_PakFile.h"

// A table decodes to at most this many times its stored length: the packer keeps a
// table that shrinks more as it is, so that a damaged or hostile frame cannot claim
// more memory than a plain table as long as the file.
constexpr uint64_t kMaxTableExpansion = 64;

// The table's bytes as a frame, or nothing when the frame would save nothing or
// would pass kMaxTableExpansion.
std::optional<Bytes> CompressTable(const Bytes& table);

// The table's bytes from its frame; nothing when the frame is damaged, names no
// length, or decodes to more than kMaxTableExpansion times its own.
std::optional<Bytes> DecompressTable(const Bytes& frame);
