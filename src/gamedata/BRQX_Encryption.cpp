#include "gamedata/BRQX_Encryption.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/Errors.h"
#include "script/SE_KeyDigits.h"

std::string NonZeroDigitsOf(long double value) {
  // The general format with 15 significant digits: C's %Lg gives the same digits as
  // the game's formatter; only the digits 1-9 survive, so the decimal separator,
  // sign and exponent spelling do not matter.
  char text[64];
  std::snprintf(text, sizeof text, "%.15Lg", value);
  std::string digits;
  for (const char* p = text; *p; ++p)
    if (*p >= '1' && *p <= '9') digits += *p;
  return digits;
}

std::string TarskKeyA(uint8_t seed) { return NonZeroDigitsOf(std::sin(static_cast<long double>(seed))); }
std::string TarskKeyB(uint8_t seed) { return NonZeroDigitsOf(std::cos(static_cast<long double>(seed))); }

bool TTarskEncryptionType::UsableSeeds() const {
  return !TarskKeyA(SeedA).empty() && !TarskKeyB(SeedB).empty();
}

std::string TTarskEncryptionType::Encrypt(std::string_view text) const {
  if (text.empty()) return {};
  std::string t = AddKeyDigits(TarskKeyA(SeedA), text);
  std::reverse(t.begin(), t.end());
  return AddKeyDigits(TarskKeyB(SeedB), t);
}

std::string TTarskEncryptionType::Decrypt(std::string_view text) const {
  if (text.empty()) return {};
  std::string u = SubtractKeyDigits(TarskKeyB(SeedB), text);
  std::reverse(u.begin(), u.end());
  return SubtractKeyDigits(TarskKeyA(SeedA), u);
}

void ScrambleEntry(uint8_t* data, size_t length) {
  if (length <= 4) return;
  uLong crc = crc32(0L, Z_NULL, 0);
  const uint8_t* rest = data + 4;
  size_t left = length - 4;
  while (left > 0) {  // zlib takes 32-bit lengths
    const uInt piece = static_cast<uInt>(std::min<size_t>(left, 1u << 30));
    crc = crc32(crc, rest, piece);
    rest += piece;
    left -= piece;
  }
  for (int i = 0; i < 4; ++i) data[i] ^= static_cast<uint8_t>(crc >> (8 * i));
}
