// zstd frames as the package's solid blocks use them: one frame per block, compressed
// at a level with the window no larger than the block (so decoding a block never needs
// more memory than its content), and decoding that checks the length the frame must
// give. A frame zstd rejects raises ESetupError "error", as a rejected zlib stream does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The level mksetup packs solid blocks at: the strongest that packs a game's data no
// slower than zlib level 9 did. Measured on a game's data in 8 MiB blocks, level 12
// takes about the time of deflate 9, level 15 three times, 17 nine times and 19
// eighteen times as long, for 0.1%, 0.8% and 1.7% fewer bytes.
constexpr int kZstdPackLevel = 12;

// One frame holding the data, with the content size and zstd's own content checksum
// in its header and end.
std::vector<uint8_t> CompressZstd(const uint8_t* data, size_t size, int level = kZstdPackLevel);

// Decodes one frame that should give expectedLength bytes into out (which must hold
// that many). Returns the length the frame gave (up to expectedLength + 1, so a longer
// frame is seen as longer without decoding it all); a frame zstd rejects raises.
uint64_t DecompressZstd(const uint8_t* data, size_t size, uint8_t* out, size_t expectedLength);
