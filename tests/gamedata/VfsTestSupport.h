// Archives for the tests: a fresh prefix with C:\game, an archive made there, and
// readers of its raw bytes that do not go through the archive classes.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/TestMachine.h"

namespace vfs_test {

inline std::vector<uint8_t> ReadHost(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
inline void WriteHost(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
inline uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// Content that compresses well, different for each seed.
inline std::vector<uint8_t> Text(size_t size, int seed) {
  std::vector<uint8_t> out(size);
  for (size_t i = 0; i < size; ++i) out[i] = uint8_t("abcdefgh"[(i / 7 + size_t(seed)) % 8] + (i % 61 == 0));
  return out;
}
// Content that does not compress.
inline std::vector<uint8_t> Noise(size_t size, uint32_t seed) {
  std::vector<uint8_t> out(size);
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1664525u + 1013904223u;
    out[i] = uint8_t(seed >> 24);
  }
  return out;
}

// Offsets inside an archive with a 256-byte information text.
struct Layout {
  uint32_t blockSize, blocks, roots;
  size_t Table() const { return 308; }
  size_t Link(int32_t block) const { return Table() + size_t(block - 1) * 8; }
  size_t Root(uint32_t slot) const { return Table() + blocks * 8 + slot * 88; }
  size_t Block(int32_t block) const { return Root(roots) + size_t(block - 1) * blockSize; }
};

}  // namespace vfs_test
