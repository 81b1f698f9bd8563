#include "package/CRC.h"

#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SE_CRC_FOLDING 1
#endif

namespace {

uint32_t TableCrc(const uint8_t* data, size_t count, uint32_t crc) {
  return static_cast<uint32_t>(crc32_z(crc, data, count));
}

#ifdef SE_CRC_FOLDING

// Below this many bytes the table is as fast as folding.
constexpr size_t kFoldingFrom = 128;

// Folding with carry-less multiplication: the data is taken 64 bytes at a time into
// four 128-bit remainders, each multiplied forward over the distance to the next
// 64 bytes (x^(512±32) mod P for its two halves) and added to them; the four are then
// folded into one over 128 bits (x^(128±32) mod P), and the last 16 bytes of that
// remainder with the data's tail go through the table. A remainder so folded has the
// checksum of the bytes it replaces, so the result is the table's to the bit, at many
// times its speed. The constants are those of the reflected polynomial 0xEDB88320.
__attribute__((target("pclmul,sse2"))) __m128i Fold(__m128i value, __m128i constants) {
  return _mm_xor_si128(_mm_clmulepi64_si128(value, constants, 0x00),
                       _mm_clmulepi64_si128(value, constants, 0x11));
}

__attribute__((target("pclmul,sse2"))) __m128i Load(const uint8_t* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

__attribute__((target("pclmul,sse2"))) uint32_t FoldedCrc(const uint8_t* data, size_t count, uint32_t crc) {
  const __m128i over512 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
  const __m128i over128 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
  // The register's preset (the complement of the checksum so far) is added to the
  // first four bytes: the folding then starts from an empty register.
  __m128i x0 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(~crc)));
  __m128i x1 = Load(data + 16);
  __m128i x2 = Load(data + 32);
  __m128i x3 = Load(data + 48);
  data += 64;
  count -= 64;
  for (; count >= 64; data += 64, count -= 64) {
    x0 = _mm_xor_si128(Fold(x0, over512), Load(data));
    x1 = _mm_xor_si128(Fold(x1, over512), Load(data + 16));
    x2 = _mm_xor_si128(Fold(x2, over512), Load(data + 32));
    x3 = _mm_xor_si128(Fold(x3, over512), Load(data + 48));
  }
  x0 = _mm_xor_si128(Fold(x0, over128), x1);
  x0 = _mm_xor_si128(Fold(x0, over128), x2);
  x0 = _mm_xor_si128(Fold(x0, over128), x3);
  for (; count >= 16; data += 16, count -= 16) x0 = _mm_xor_si128(Fold(x0, over128), Load(data));
  alignas(16) uint8_t remainder[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(remainder), x0);
  // 0xFFFFFFFF: the table starts from an empty register as well.
  return TableCrc(data, count, TableCrc(remainder, sizeof remainder, 0xFFFFFFFFu));
}

bool CanFold() {
  static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
  return can;
}

#endif

}  // namespace

uint32_t Crc32(const void* data, size_t count, uint32_t crc) {
  if (count == 0) return crc;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
#ifdef SE_CRC_FOLDING
  if (count >= kFoldingFrom && CanFold()) return FoldedCrc(bytes, count, crc);
#endif
  return TableCrc(bytes, count, crc);
}

uint32_t Crc32Combine(uint32_t first, uint32_t second, uint64_t secondLength) {
  if (secondLength == 0) return first;
  // zlib's length is a long, 32 bits on Windows: the pieces combined are far shorter.
  return static_cast<uint32_t>(crc32_combine(first, second, static_cast<z_off_t>(secondLength)));
}
