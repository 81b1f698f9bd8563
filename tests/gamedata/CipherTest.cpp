#include "gamedata/BRQX_Encryption.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::string AllBytes() {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  return all;
}

// A bitwise CRC-32, written from the polynomial, to check the table-driven one.
uint32_t SlowCrc32(const uint8_t* data, size_t length) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

TEST(TarskCipher, KeysAreTheNonZeroDigitsOfSineAndCosine) {
  // sin 2 = 0.909297426825682 and cos 2 = -0.416146836547142 to 15 digits.
  EXPECT_EQ(TarskKeyA(2), "99297426825682");
  EXPECT_EQ(TarskKeyB(2), "416146836547142");
  EXPECT_EQ(TarskKeyA(0), "");  // sin 0 = 0 has no usable digit
  EXPECT_EQ(TarskKeyB(0), "1");
  for (int seed = 1; seed < 256; ++seed) {
    const std::string a = TarskKeyA(uint8_t(seed)), b = TarskKeyB(uint8_t(seed));
    EXPECT_FALSE(a.empty()) << seed;
    EXPECT_LE(a.size(), 15u);
    EXPECT_EQ(a.find_first_not_of("123456789"), std::string::npos) << a;
    EXPECT_EQ(b.find_first_not_of("123456789"), std::string::npos) << b;
  }
  EXPECT_EQ(NonZeroDigitsOf(0.000123L), "123");
  EXPECT_EQ(NonZeroDigitsOf(-2.5e-20L), "252");  // "-2.5e-20": mantissa and exponent digits
}

TEST(TarskCipher, KeysOfEverySeedTheWriterDraws) {
  // The sine and cosine in extended precision to 15 significant digits, computed
  // independently; seeds 91 and 114 give other last digits in double precision.
  struct Case {
    uint8_t seed;
    const char *keyA, *keyB;
  } cases[] = {{2, "99297426825682", "416146836547142"},   // 0.909297426825682, -0.416146836547142
               {3, "14112859867", "9899924966445"},        // 0.141120008059867, -0.989992496600445
               {4, "7568249537928", "65364362863612"},     // -0.756802495307928, -0.653643620863612
               {5, "958924274663138", "283662185463226"},  // -0.958924274663138, 0.283662185463226
               {6, "279415498198926", "961728665366"},     // -0.279415498198926, 0.960170286650366
               {91, "15987511751157", "9943674692822"},    // cos 91 = -0.994367460928202
               {114, "78498388681311", "6195261255921"}};  // sin 114 = 0.784980388681311
  for (const auto& c : cases) {
    EXPECT_EQ(TarskKeyA(c.seed), c.keyA) << int(c.seed);
    EXPECT_EQ(TarskKeyB(c.seed), c.keyB) << int(c.seed);
  }
}

TEST(TarskCipher, RoundTripsEveryByteUnderEverySeedPair) {
  const std::string all = AllBytes() + AllBytes();
  for (int a = 2; a <= 6; ++a)
    for (int b = 2; b <= 6; ++b) {
      const TTarskEncryptionType cipher{uint8_t(a), uint8_t(b)};
      const std::string enciphered = cipher.Encrypt(all);
      ASSERT_EQ(enciphered.size(), all.size());
      EXPECT_NE(enciphered, all);
      EXPECT_EQ(cipher.Decrypt(enciphered), all) << a << "," << b;
    }
}

TEST(TarskCipher, ReversesBetweenTheTwoPassesAndDependsOnTheSeeds) {
  const TTarskEncryptionType cipher(3, 5);
  // One character: reversal changes nothing, so the two keys' first digits add up.
  const int first = (TarskKeyA(3)[0] - '0') + (TarskKeyB(5)[0] - '0');
  EXPECT_EQ(cipher.Encrypt("A"), std::string(1, char('A' + first)));
  EXPECT_EQ(cipher.Encrypt(""), "");
  EXPECT_EQ(TTarskEncryptionType(0, 0).Encrypt(""), "");
  EXPECT_NE(TTarskEncryptionType(2, 3).Encrypt("secret"), TTarskEncryptionType(4, 6).Encrypt("secret"));
  EXPECT_NE(TTarskEncryptionType(4, 6).Decrypt(TTarskEncryptionType(2, 3).Encrypt("secret")), "secret");
  EXPECT_FALSE(TTarskEncryptionType(0, 2).UsableSeeds());
  EXPECT_TRUE(TTarskEncryptionType(2, 0).UsableSeeds());
}

TEST(ScrambleEntry, XorsTheFirstWordWithTheChecksumOfTheRest) {
  struct Case {
    size_t length;
    bool changes;
  } cases[] = {{0, false}, {3, false}, {4, false}, {5, true}, {100, true}, {70000, true}};
  for (const auto& c : cases) {
    std::vector<uint8_t> buffer(c.length);
    for (size_t i = 0; i < c.length; ++i) buffer[i] = uint8_t(i * 7 + 3);
    const std::vector<uint8_t> original = buffer;
    ScrambleEntry(buffer.data(), buffer.size());
    if (!c.changes) {
      EXPECT_EQ(buffer, original) << c.length;
      continue;
    }
    const uint32_t crc = SlowCrc32(original.data() + 4, c.length - 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(buffer[i], uint8_t(original[i] ^ (crc >> (8 * i))));
    EXPECT_TRUE(std::equal(buffer.begin() + 4, buffer.end(), original.begin() + 4));
    ScrambleEntry(buffer.data(), buffer.size());
    EXPECT_EQ(buffer, original);
  }
}

}  // namespace
