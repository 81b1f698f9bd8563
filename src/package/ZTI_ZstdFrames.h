// zstd frames as the package's solid blocks use them: one frame per block, compressed
// at a level with the window no larger than the block (so decoding a block never needs
// more memory than its content), and decoding that checks the length the frame must
// give. A frame zstd rejects raises ESetupError "error", as a rejected zlib stream does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The level mksetup packs solid blocks at: zstd's strongest that still packs a game's
// data at least as fast as zlib level 9 did, on the same cores.
constexpr int kZstdPackLevel = 19;

// One frame holding the data, with the content size and zstd's own content checksum
// in its header and end.
std::vector<uint8_t> CompressZstd(const uint8_t* data, size_t size, int level = kZstdPackLevel);

// Decodes one frame that should give expectedLength bytes into out (which must hold
// that many). Returns the length the frame gave (up to expectedLength + 1, so a longer
// frame is seen as longer without decoding it all); a frame zstd rejects raises.
uint64_t DecompressZstd(const uint8_t* data, size_t size, uint8_t* out, size_t expectedLength);
