// The game package reader on arbitrary bytes: trailer, header and directory must be
// refused or read without touching memory outside the input.
#include <cstdint>
#include <cstring>

#include "gamedata/ZT_PakFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto layout = ReadPackageLayout(size, [&](uint64_t at, uint8_t* into, size_t count) {
    if (at > size || count > size - at) return false;
    if (count) std::memcpy(into, data + at, count);
    return true;
  });
  if (layout) {
    // What was read must describe the input: the directory lies inside it.
    if (layout->directoryOffset + layout->header.packedSize + kPakHeaderSize + layout->trailer.length != size)
      __builtin_trap();
    for (const TPakDirEntry& e : layout->entries)
      if (e.name.size() > kPakNameMax) __builtin_trap();
  }
  return 0;
}
