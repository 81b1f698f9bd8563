// zlib streams (RFC 1950) as the package and the game data use them: whole-buffer
// compression at a given level and inflation that checks the length the stream
// must give. A stream that zlib rejects, or that ends before its end mark, raises
// ESetupError "error".
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One zlib stream holding the data, compressed at the level (9 for package entries).
std::vector<uint8_t> CompressZlib(const uint8_t* data, size_t size, int level = 9);

struct TInflated {
  std::vector<uint8_t> data;  // the content, when its length is the expected one
  uint64_t length = 0;        // the length the stream inflated to
  bool ok() const { return length == data.size(); }
};

// Inflates one stream that should give expectedLength bytes. When the stream gives
// another length, data is empty and length says what it gave; the memory taken stays
// bounded by expectedLength whatever the stream holds.
TInflated InflateZlib(const uint8_t* data, size_t size, size_t expectedLength);

// The length one stream inflates to, without keeping the content: inflation into a
// small buffer, so checking an entry takes no memory for its content. Raises like
// InflateZlib.
uint64_t InflatedLength(const uint8_t* data, size_t size);
