#include "package/ZTI_PakTableFrame.h"

#include <cstdint>

#include "package/ZTI_ZstdFrames.h"
#include "platform/Errors.h"

namespace {

// The table is written once, after every block: a strong level costs little there.
constexpr int kTableLevel = 19;

}  // namespace

std::optional<Bytes> CompressTable(const Bytes& table) {
  Bytes frame = CompressZstd(table.data(), table.size(), kTableLevel);
  if (frame.size() >= table.size() || frame.size() * kMaxTableExpansion < table.size()) return std::nullopt;
  return frame;
}

std::optional<Bytes> DecompressTable(const Bytes& frame) {
  const std::optional<uint64_t> length = ZstdContentSize(frame.data(), frame.size());
  if (!length || *length == 0 || *length / kMaxTableExpansion > frame.size() || *length > SIZE_MAX)
    return std::nullopt;
  Bytes table(static_cast<size_t>(*length));
  try {
    if (DecompressZstd(frame.data(), frame.size(), table.data(), table.size()) != table.size())
      return std::nullopt;
  } catch (const platform::ESetupError&) {
    return std::nullopt;
  }
  return table;
}
