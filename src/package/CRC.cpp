#include "package/CRC.h"

#include <zlib.h>

uint32_t Crc32(const void* data, size_t count, uint32_t crc) {
  if (count == 0) return crc;
  return static_cast<uint32_t>(crc32_z(crc, static_cast<const Bytef*>(data), count));
}

uint32_t Crc32Combine(uint32_t first, uint32_t second, uint64_t secondLength) {
  if (secondLength == 0) return first;
  // zlib's length is a long, 32 bits on Windows: the pieces combined are far shorter.
  return static_cast<uint32_t>(crc32_combine(first, second, static_cast<z_off_t>(secondLength)));
}
