// zstd frames as the package's solid blocks use them: one frame per block, compressed
// at a level with the window no larger than the block (so decoding a block never needs
// more memory than its content), and decoding that checks the length the frame must
// give. A frame zstd rejects raises ESetupError "error", as a rejected zlib stream does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The level mksetup packs solid blocks at: packing stays well within the time of zlib
// level 9. Measured on a game's data (242 MB, 4,000 files) in 8 MiB blocks on one
// thread, against level 10: level 9 takes 0.73 of its time for 0.2% more bytes, level
// 12 1.8 times for 0.08% fewer, 16 MiB blocks 0.15% fewer (with twice the memory per
// block), and level 19 in 16 MiB blocks 15 times for 1.7% fewer.
constexpr int kZstdPackLevel = 10;
// The level of the strongest setting an author may choose: on a game's data (179 MB,
// 16,000 files) in 8 MiB blocks it saves 0.9% of level 10's bytes for ten times its
// packing time; level 22 finds nothing more in a window no larger than the block, and
// larger blocks would take more memory from every reader.
constexpr int kZstdMaxLevel = 19;

// One frame holding the data, with the content size in its header (frames of older
// packers also end in zstd's content checksum, which decoding still checks).
std::vector<uint8_t> CompressZstd(const uint8_t* data, size_t size, int level = kZstdPackLevel);

// Decodes one frame that should give expectedLength bytes into out (which must hold
// that many). Returns the length the frame gave (up to expectedLength + 1, so a longer
// frame is seen as longer without decoding it all); a frame zstd rejects raises.
uint64_t DecompressZstd(const uint8_t* data, size_t size, uint8_t* out, size_t expectedLength);

// The content length a frame's header names; nothing when it names none or is no
// frame's header.
std::optional<uint64_t> ZstdContentSize(const uint8_t* data, size_t size);
