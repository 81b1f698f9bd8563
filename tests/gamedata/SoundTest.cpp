#include "gamedata/ZT_PakSound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstring>
#include <string>

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = uint8_t(v);
  out[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}
int32_t I32(const std::vector<uint8_t>& b, size_t at) {
  return int32_t(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24));
}

// A canonical wave: 44-byte header, then `samples` interleaved 16-bit samples (or
// `dataBytes` of 8-bit ones), then the extra chunks given.
std::vector<uint8_t> Wave(uint16_t channels, uint16_t bits, uint32_t dataBytes,
                          const std::vector<uint8_t>& extra = {}) {
  std::vector<uint8_t> w(44 + dataBytes);
  std::memcpy(&w[0], "RIFF", 4);
  Put32(w, 4, uint32_t(36 + dataBytes + extra.size()));
  std::memcpy(&w[8], "WAVEfmt ", 8);
  Put32(w, 16, 16);
  Put16(w, 20, 1);
  Put16(w, 22, channels);
  Put32(w, 24, 22050);
  Put32(w, 28, 22050 * channels * bits / 8);
  Put16(w, 32, uint16_t(channels * bits / 8));
  Put16(w, 34, bits);
  std::memcpy(&w[36], "data", 4);
  Put32(w, 40, dataBytes);
  for (uint32_t i = 0; i + 1 < dataBytes; i += 2) {  // a 440 Hz tone, quieter on the right
    const size_t frame = i / 2 / channels, channel = i / 2 % channels;
    const double v = std::sin(frame * 2 * std::numbers::pi * 440 / 22050) * (channel ? 3000 : 9000);
    Put16(w, 44 + i, uint16_t(int16_t(std::lround(v))));
  }
  w.insert(w.end(), extra.begin(), extra.end());
  return w;
}

std::vector<uint8_t> CueChunk(std::vector<uint32_t> positions) {
  std::vector<uint8_t> c(12 + 24 * positions.size());
  std::memcpy(&c[0], "cue ", 4);
  Put32(c, 4, uint32_t(4 + 24 * positions.size()));
  Put32(c, 8, uint32_t(positions.size()));
  for (size_t i = 0; i < positions.size(); ++i) Put32(c, 12 + 24 * i + 4, positions[i]);
  return c;
}

// An IMA ADPCM decoder written from the standard, independent of the coder.
struct Decoder {
  int predictor = 0, index = 0;
  int Decode(int code) {
    static const int steps[89] = {
        7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
        31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
        130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
        544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
        2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
        9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    static const int adjust[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
    const int step = steps[index];
    int diff = step >> 3;
    if (code & 4) diff += step;
    if (code & 2) diff += step >> 1;
    if (code & 1) diff += step >> 2;
    predictor = std::clamp(code & 8 ? predictor - diff : predictor + diff, -32768, 32767);
    index = std::clamp(index + adjust[code], 0, 88);
    lastStep = step;
    return predictor;
  }
  int lastStep = 0;
};

TEST(ConvertWave, StereoTenThousandBytesGivesTheDocumentedSizes) {
  const std::vector<uint8_t> wave = Wave(2, 16, 10000);
  const auto stored = ConvertWave("sounds\\music.wav", wave.data(), wave.size());
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->size(), 2588u);  // 58 + 10000 / 4 + 6 x 5 blocks
  EXPECT_EQ(I32(*stored, 40), 10000);
  EXPECT_EQ((*stored)[44], 1);
  EXPECT_EQ(I32(*stored, 45), -1);
  EXPECT_EQ(I32(*stored, 49), -1);
  EXPECT_EQ((*stored)[53], 0);
  EXPECT_EQ(I32(*stored, 54), 2530);
  EXPECT_TRUE(std::equal(wave.begin(), wave.begin() + 40, stored->begin()));
}

TEST(ConvertWave, DataLengthIsRoundedForAdpcm) {
  struct Case {
    uint16_t channels;
    uint32_t data, rounded, blocks;
  } cases[] = {
      {1, 10002, 10000, 5}, {1, 4096, 4096, 2}, {2, 10004, 10000, 5}, {2, 2056, 2056, 2}, {1, 6, 4, 1}};
  for (const auto& c : cases) {
    const std::vector<uint8_t> wave = Wave(c.channels, 16, c.data);
    const auto stored = ConvertWave("a.wav", wave.data(), wave.size());
    ASSERT_TRUE(stored);
    EXPECT_EQ(I32(*stored, 40), int32_t(c.rounded));
    EXPECT_EQ(I32(*stored, 54), int32_t(c.rounded / 4 + 6 * c.blocks));
    EXPECT_EQ(stored->size(), 58 + c.rounded / 4 + 6 * c.blocks);
  }
}

TEST(ConvertWave, AdpcmDecodesBackWithinTheCodersErrorAndCarriesStateAcrossBlocks) {
  for (uint16_t channels : {1, 2}) {
    const uint32_t data = 4 * 2048 + 1000;
    const std::vector<uint8_t> wave = Wave(channels, 16, data);
    const auto stored = ConvertWave("voice.wav", wave.data(), wave.size());
    ASSERT_TRUE(stored);
    Decoder decoders[2];
    double errorSum = 0, signalSum = 0;
    for (uint32_t start = 0, b = 0; start < data; start += 2048, ++b) {
      const uint32_t length = std::min<uint32_t>(2048, data - start);
      const uint8_t* block = stored->data() + 58 + 518 * b;
      const uint32_t perChannel = length / 2 / channels;
      for (uint16_t ch = 0; ch < channels; ++ch) {
        const uint8_t* codes = block + ch * (perChannel / 2);
        for (uint32_t s = 0; s < perChannel; ++s) {
          const int code = s % 2 == 0 ? codes[s / 2] >> 4 : codes[s / 2] & 15;  // high nibble first
          const int decoded = decoders[ch].Decode(code);
          const size_t at = 44 + start + 2 * (s * channels + ch);
          const int original = int16_t(wave[at] | (wave[at + 1] << 8));
          if (start + s > 64) {
            EXPECT_LE(std::abs(decoded - original), decoders[ch].lastStep) << start + s;
          }
          errorSum += double(decoded - original) * (decoded - original);
          signalSum += double(original) * original;
        }
      }
      const uint8_t* state = block + length / 4;
      for (uint16_t ch = 0; ch < 2; ++ch) {
        const int predictor = int16_t(state[3 * ch] | (state[3 * ch + 1] << 8));
        EXPECT_EQ(predictor, ch < channels ? decoders[ch].predictor : 0) << "block " << b;
        EXPECT_EQ(state[3 * ch + 2], ch < channels ? decoders[ch].index : 0);
      }
    }
    EXPECT_LT(errorSum / signalSum, 0.01) << channels;  // better than 20 dB
  }
}

TEST(ConvertWave, CuePointsEffectsAndEightBitStayPcm) {
  struct Case {
    std::string name;
    uint16_t bits;
    std::vector<uint8_t> extra;
    int32_t loopStart, loopEnd;
    uint8_t endFlag;
  } cases[] = {
      {"loop.wav", 16, CueChunk({100}), 400, 1000, 1},     // 4 bytes per frame x position
      {"loop.wav", 16, CueChunk({200, 50}), 200, 800, 0},  // swapped into order
      {"Sounds\\Effects\\bang.wav", 16, {}, -1, -1, 0},
      {"eight.wav", 8, {}, -1, -1, 0},
      {"skip.wav", 16,
       [] {
         std::vector<uint8_t> c = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c'};
         auto cue = CueChunk({7});
         c.insert(c.end(), cue.begin(), cue.end());
         return c;
       }(),
       28, 1000, 1},  // odd chunk length, no pad byte
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t> wave = Wave(2, c.bits, 1000, c.extra);
    const auto stored = ConvertWave(c.name, wave.data(), wave.size());
    ASSERT_TRUE(stored) << c.name;
    EXPECT_EQ((*stored)[44], 0) << c.name;
    EXPECT_EQ(I32(*stored, 45), c.loopStart) << c.name;
    EXPECT_EQ(I32(*stored, 49), c.loopEnd) << c.name;
    EXPECT_EQ((*stored)[53], c.endFlag) << c.name;
    EXPECT_EQ(I32(*stored, 54), 1000);
    EXPECT_EQ(stored->size(), 58u + 1000);
    EXPECT_TRUE(std::equal(wave.begin() + 44, wave.begin() + 1044, stored->begin() + 58));
  }
}

TEST(ConvertWave, RefusesWhatIsNotACanonicalWave) {
  const std::vector<uint8_t> good = Wave(1, 16, 100);
  struct Case {
    const char* what;
    size_t at;
    std::vector<uint8_t> bytes;
  } cases[] = {{"RIFF", 0, {'R', 'I', 'F', 'X'}},        {"WAVE", 8, {'W', 'A', 'V', 'X'}},
               {"fmt length", 16, {18, 0, 0, 0}},        {"data id", 36, {'L', 'I', 'S', 'T'}},
               {"zero length", 40, {0, 0, 0, 0}},        {"negative length", 40, {0, 0, 0, 0x80}},
               {"data past the end", 40, {101, 0, 0, 0}}};
  for (const auto& c : cases) {
    std::vector<uint8_t> bad = good;
    std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + long(c.at));
    EXPECT_FALSE(ConvertWave("x.wav", bad.data(), bad.size())) << c.what;
  }
  EXPECT_FALSE(ConvertWave("x.wav", good.data(), 43));
  EXPECT_TRUE(ConvertWave("x.wav", good.data(), good.size()));
}

TEST(EncodeAdpcm, PacksTheFirstCodeHighAndAnOddLastCodeAlone) {
  const int16_t samples[6] = {1000, 7, -1000, 7, 500, 7};  // stride 2 reads 1000, -1000, 500
  TAdpcmState state;
  uint8_t out[2] = {0xAA, 0xAA};
  EncodeAdpcm(samples, 3, 2, state, out);
  Decoder d;
  d.Decode(out[0] >> 4);
  d.Decode(out[0] & 15);
  d.Decode(out[1] >> 4);
  EXPECT_EQ(d.predictor, state.predictor);
  EXPECT_EQ(d.index, state.index);
  EXPECT_EQ(out[0] >> 4 & 8, 0);  // rising first
  EXPECT_NE(out[0] & 8, 0);       // then falling
  EXPECT_EQ(out[1] & 15, 0);      // nothing after the odd last code
}

}  // namespace
