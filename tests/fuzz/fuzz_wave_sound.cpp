// Fuzz target: the sound converter of game packages on any file content. The first
// byte picks the entry name (an effect stays PCM, the rest may become ADPCM); the
// rest is the ".WAV" content. A content it does not convert gives nothing; a
// converted one has the 58-byte sound header and exactly the samples it declares.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "gamedata/ZT_PakSound.h"
#include "platform/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view name = data[0] & 1 ? "\\Sound\\Effects\\hit.wav" : "\\Sound\\Music\\theme.wav";
  const uint8_t* content = data + 1;
  const size_t length = size - 1;
  if (length >= kWaveHeaderSize) {
    uint32_t dataLength;
    std::memcpy(&dataLength, content + 40, 4);
    ScanCuePoints(content, length, dataLength);
  }
  try {
    const auto stored = ConvertWave(name, content, length);
    if (!stored) return 0;
    if (stored->size() < kSoundHeaderSize) __builtin_trap();
    uint32_t samples;
    std::memcpy(&samples, stored->data() + 54, 4);
    if (stored->size() != kSoundHeaderSize + samples) __builtin_trap();
  } catch (const platform::ESetupError&) {
    // the converter's own guard: reported as an internal error
  }
  return 0;
}
