// The light ciphers of game packages: the two-pass password cipher that hides the
// password kept in a package's trailer, and the scrambling of the first word of each
// compressed package entry. Neither is security; both must match the game's reader
// byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A password cipher: both directions keep the text's length; texts are byte strings
// (any byte value, including 0).
class TEncryptionType {
 public:
  virtual ~TEncryptionType() = default;
  virtual std::string Encrypt(std::string_view text) const = 0;
  virtual std::string Decrypt(std::string_view text) const = 0;
};

// The digit-key cipher applied twice, around a reversal, with two keys derived from
// the seed bytes stored beside the enciphered password. Set both seeds first.
class TTarskEncryptionType : public TEncryptionType {
 public:
  uint8_t SeedA = 0;
  uint8_t SeedB = 0;

  TTarskEncryptionType() = default;
  TTarskEncryptionType(uint8_t seedA, uint8_t seedB) : SeedA(seedA), SeedB(seedB) {}

  // Raise ESetupError when a seed gives an empty key (see UsableSeeds) and the text
  // is not empty.
  std::string Encrypt(std::string_view text) const override;
  std::string Decrypt(std::string_view text) const override;

  // Whether both seeds give a key: seed A = 0 does not (its sine has no digit 1-9).
  bool UsableSeeds() const;
};

// Key A is built from the sine of seed A, key B from the cosine of seed B (angles in
// radians): the value written with at most 15 significant digits, of which only the
// digits 1 to 9 are kept. Empty for a value whose digits are all zero.
std::string TarskKeyA(uint8_t seed);
std::string TarskKeyB(uint8_t seed);
// The digits 1-9 of a value written in the general format with 15 significant digits.
std::string NonZeroDigitsOf(long double value);

// XORs the little-endian word at data[0..3] with the CRC-32 of data[4..length-1].
// Buffers of 4 bytes or fewer stay as they are. Applying it twice restores the
// buffer, since the bytes the checksum covers do not change.
void ScrambleEntry(uint8_t* data, size_t length);
