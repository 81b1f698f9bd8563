// Sound entries of game packages (storage kind 1): a ".WAV" file is stored as a
// 58-byte sound header followed by its samples, either the PCM bytes as they are or
// IMA ADPCM in the game's own block layout and nibble order.
//
// Stored layout: the source's 44-byte wave header (data length rounded for ADPCM),
// u8 ADPCM flag, i32 loop start, i32 loop end (bytes, -1 = none), u8 "loop end is
// the data end", i32 sample length S, then S bytes. ADPCM data comes in blocks of
// 518 bytes, one per 2048 PCM bytes: the codes (left channel first, then right),
// then the coder state after the block (i16 predictor, u8 index per channel).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

inline constexpr size_t kWaveHeaderSize = 44;
inline constexpr size_t kSoundHeaderSize = 58;
inline constexpr size_t kAdpcmPcmBlock = 2048;
inline constexpr size_t kAdpcmStoredBlock = 518;

// One channel's IMA ADPCM coder state; both start at 0 and carry on across blocks.
struct TAdpcmState {
  int16_t predictor = 0;
  uint8_t index = 0;
};

// Codes `count` 16-bit samples read every `stride`-th from `samples` into
// (count + 1) / 2 bytes at `out`: the first code of each pair in the high nibble,
// the second in the low nibble, an odd last code alone in the high nibble.
void EncodeAdpcm(const int16_t* samples, size_t count, size_t stride, TAdpcmState& state, uint8_t* out);

struct TCuePoints {
  int32_t loopStart = -1;
  int32_t loopEnd = -1;
  bool endIsDataEnd = false;
  bool found = false;  // at least one cue point
};

// Walks the chunks after the data chunk of a canonical wave (data length D) looking
// for a "cue " chunk; the first two cue points give loop start and end in bytes.
TCuePoints ScanCuePoints(const uint8_t* content, size_t size, uint32_t dataLength);

// The stored bytes of a kind 1 entry, or nothing when the content is not a canonical
// 44-byte-header wave (the entry is then skipped). `name` is the entry name: files
// below "\Effects\" stay PCM, as do looped sounds and anything not 16-bit.
std::optional<std::vector<uint8_t>> ConvertWave(std::string_view name, const uint8_t* content, size_t size);
