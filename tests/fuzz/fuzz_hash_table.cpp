// Fuzz target: the game archive's lookup table (".ht") as read from disk. A table
// that decodes encodes back to the bytes it was read from (its count and records;
// trailing bytes are ignored); rebuilding from its records gives a sorted table of
// distinct hashes.
#include <cstdint>
#include <span>
#include <vector>

#include "gamedata/VFS_Unit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto records = DecodeHashTable(std::span<const uint8_t>(data, size));
  if (!records) return 0;
  const std::vector<uint8_t> encoded = EncodeHashTable(*records);
  if (encoded.size() > size || !std::equal(encoded.begin(), encoded.end(), data)) __builtin_trap();
  const std::vector<TVFSHashRecord> rebuilt = BuildHashRecords(*records);
  for (size_t i = 1; i < rebuilt.size(); ++i)
    if (rebuilt[i - 1].hash >= rebuilt[i].hash) __builtin_trap();
  return 0;
}
