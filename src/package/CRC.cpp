#include "package/CRC.h"

#include <zlib.h>

uint32_t Crc32(const void* data, size_t count, uint32_t crc) {
  if (count == 0) return crc;
  return static_cast<uint32_t>(crc32_z(crc, static_cast<const Bytef*>(data), count));
}
