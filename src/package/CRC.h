// CRC-32 of the zlib and PNG formats (reflected polynomial 0xEDB88320, register
// preset and result complemented). Package entries carry it over their stored bytes;
// the game package updater uses it too.
#pragma once

#include <cstddef>
#include <cstdint>

// The checksum of count bytes; pass a previous result as crc to continue it over a
// following block (0 starts a new checksum).
uint32_t Crc32(const void* data, size_t count, uint32_t crc = 0);
// The checksum of two blocks back to back, from the first's and the second's (of
// secondLength bytes, below 2 GiB), so that pieces checked apart give the checksum of
// the whole.
uint32_t Crc32Combine(uint32_t first, uint32_t second, uint64_t secondLength);
