#include "gamedata/ZT_PakSound.h"

#include <algorithm>
#include <cstring>

#include "platform/Errors.h"
#include "platform/LittleEndian.h"

namespace {

constexpr int16_t kStepTable[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kIndexTable[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

uint8_t EncodeSample(int sample, TAdpcmState& state) {
  int step = kStepTable[state.index];
  int diff = sample - state.predictor;
  uint8_t code = 0;
  if (diff < 0) {
    code = 8;
    diff = -diff;
  }
  int delta = step >> 3;
  if (diff >= step) {
    code |= 4;
    diff -= step;
    delta += step;
  }
  step >>= 1;
  if (diff >= step) {
    code |= 2;
    diff -= step;
    delta += step;
  }
  step >>= 1;
  if (diff >= step) {
    code |= 1;
    delta += step;
  }
  const int predicted = (code & 8) ? state.predictor - delta : state.predictor + delta;
  state.predictor = static_cast<int16_t>(std::clamp(predicted, -32768, 32767));
  state.index = static_cast<uint8_t>(std::clamp(state.index + kIndexTable[code & 7], 0, 88));
  return code;
}

void PutState(uint8_t* p, const TAdpcmState& s) {
  p[0] = static_cast<uint8_t>(s.predictor & 0xFF);
  p[1] = static_cast<uint8_t>((s.predictor >> 8) & 0xFF);
  p[2] = s.index;
}

// Samples of the PCM data as 16-bit values (the data may sit at any alignment).
std::vector<int16_t> SamplesOf(const uint8_t* pcm, size_t bytes) {
  std::vector<int16_t> samples(bytes / 2);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(platform::DecodeFixed16(pcm + 2 * i));
  return samples;
}

// Writes the ADPCM blocks of `dataLength` PCM bytes at `out`.
void EncodeBlocks(const uint8_t* pcm, uint32_t dataLength, bool stereo, uint8_t* out) {
  const std::vector<int16_t> samples = SamplesOf(pcm, dataLength);
  TAdpcmState left, right;
  for (size_t start = 0, b = 0; start < dataLength; start += kAdpcmPcmBlock, ++b) {
    const size_t length = std::min<size_t>(kAdpcmPcmBlock, dataLength - start);
    const int16_t* block = samples.data() + start / 2;
    const size_t count = length / 2;
    uint8_t* codes = out + kAdpcmStoredBlock * b;
    if (stereo) {
      platform::Check(count % 2 == 0, "ADPCM stereo block with an odd sample count", "ZT_PakSystem",
                      __LINE__);
      EncodeAdpcm(block, count / 2, 2, left, codes);
      EncodeAdpcm(block + 1, count / 2, 2, right, codes + length / 8);
      codes += length / 4;
    } else {
      EncodeAdpcm(block, count, 1, left, codes);
      codes += length / 4;
    }
    PutState(codes, left);
    PutState(codes + 3, stereo ? right : TAdpcmState{});
  }
}

}  // namespace

void EncodeAdpcm(const int16_t* samples, size_t count, size_t stride, TAdpcmState& state, uint8_t* out) {
  for (size_t i = 0; i < count; i += 2) {
    const uint8_t high = EncodeSample(samples[i * stride], state);
    const uint8_t low = i + 1 < count ? EncodeSample(samples[(i + 1) * stride], state) : 0;
    out[i / 2] = static_cast<uint8_t>((high << 4) | low);
  }
}

TCuePoints ScanCuePoints(const uint8_t* content, size_t size, uint32_t dataLength) {
  TCuePoints cue;
  const uint32_t avgBytes = platform::DecodeFixed32(content + 28),
                 perSecond = platform::DecodeFixed32(content + 24);
  const int64_t factor = perSecond ? avgBytes / perSecond : 0;
  bool haveStart = false, haveEnd = false;
  auto readWord = [&](uint64_t at, uint8_t* into) {  // short reads keep what was there
    if (at < size) std::memcpy(into, content + at, std::min<uint64_t>(4, size - at));
  };
  for (uint64_t pos = kWaveHeaderSize + uint64_t{dataLength}; pos < size;) {
    uint8_t id[4] = {'x', 'x', 'x', 'x'}, length[4] = {0, 0, 0, 0};
    readWord(pos, id);
    if (!std::memcmp(id, "xxxx", 4)) break;
    readWord(pos + 4, length);
    if (!std::memcmp(id, "cue ", 4) && pos + 12 <= size) {
      const uint32_t count = platform::DecodeFixed32(content + pos + 8);
      const uint64_t first = pos + 12;
      if (count >= 1 && first + 8 <= size) {
        cue.loopStart = static_cast<int32_t>(factor * platform::DecodeFixed32(content + first + 4));
        haveStart = true;
      }
      if (count >= 2 && first + 24 + 8 <= size) {
        cue.loopEnd = static_cast<int32_t>(factor * platform::DecodeFixed32(content + first + 24 + 4));
        haveEnd = true;
      }
    }
    pos += 8 + uint64_t{platform::DecodeFixed32(length)};
  }
  if (haveStart && haveEnd) {
    if (cue.loopStart > cue.loopEnd) std::swap(cue.loopStart, cue.loopEnd);
  } else if (haveStart) {
    cue.loopEnd = static_cast<int32_t>(dataLength);
    cue.endIsDataEnd = true;
  } else {
    cue.loopStart = cue.loopEnd = -1;
  }
  cue.found = haveStart;
  return cue;
}

std::optional<std::vector<uint8_t>> ConvertWave(std::string_view name, const uint8_t* content, size_t size) {
  if (size < kWaveHeaderSize || std::memcmp(content, "RIFF", 4) || std::memcmp(content + 8, "WAVE", 4) ||
      std::memcmp(content + 12, "fmt ", 4) || platform::DecodeFixed32(content + 16) != 16 ||
      std::memcmp(content + 36, "data", 4))
    return std::nullopt;
  const int32_t declared = static_cast<int32_t>(platform::DecodeFixed32(content + 40));
  // A data chunk that runs past the content is a damaged wave, not one to convert.
  if (declared <= 0 || uint64_t(declared) > size - kWaveHeaderSize) return std::nullopt;
  uint32_t dataLength = static_cast<uint32_t>(declared);
  const uint16_t channels = platform::DecodeFixed16(content + 22),
                 bits = platform::DecodeFixed16(content + 34);

  const TCuePoints cue = ScanCuePoints(content, size, dataLength);
  const bool adpcm = bits == 16 && !cue.found && name.find("\\Effects\\") == std::string_view::npos;
  uint32_t sampleLength = dataLength;
  if (adpcm) {
    dataLength -= dataLength % (channels == 1 ? 4 : 8);
    const uint32_t blocks = (dataLength + kAdpcmPcmBlock - 1) / kAdpcmPcmBlock;
    sampleLength = dataLength / 4 + 6 * blocks;
  }

  // One guard byte past the end catches a coder that writes too far.
  std::vector<uint8_t> out(kSoundHeaderSize + sampleLength + 1, 0);
  out.back() = 0xFF;
  std::memcpy(out.data(), content, kWaveHeaderSize);
  platform::EncodeFixed32(out.data() + 40, dataLength);
  out[44] = adpcm ? 1 : 0;
  platform::EncodeFixed32(out.data() + 45, static_cast<uint32_t>(cue.loopStart));
  platform::EncodeFixed32(out.data() + 49, static_cast<uint32_t>(cue.loopEnd));
  out[53] = cue.endIsDataEnd ? 1 : 0;
  platform::EncodeFixed32(out.data() + 54, sampleLength);
  const uint8_t* pcm = content + kWaveHeaderSize;
  if (adpcm) EncodeBlocks(pcm, dataLength, channels == 2, out.data() + kSoundHeaderSize);
  else std::memcpy(out.data() + kSoundHeaderSize, pcm, dataLength);
  platform::Check(out.back() == 0xFF, "sound guard byte overwritten", "ZT_PakSystem", __LINE__);
  out.pop_back();
  return out;
}
