#include "support/PeBytes.h"

#include <algorithm>

#include "support/PakBytes.h"

namespace testing_support {

namespace {
constexpr uint32_t kPeAt = 0x80;
size_t OptionalAt() { return kPeAt + 4 + 20; }
size_t DirectoriesAt(bool pe32Plus) { return OptionalAt() + (pe32Plus ? 112 : 96); }
}  // namespace

std::vector<uint8_t> PeProgram(bool pe32Plus) {
  std::vector<uint8_t> out;
  out.reserve(1024);
  out.resize(kPeAt, 0);
  out[0] = 'M';
  out[1] = 'Z';
  out[0x3C] = static_cast<uint8_t>(kPeAt);
  Put32(out, 0x4550);                     // "PE\0\0"
  Put16(out, pe32Plus ? 0x8664 : 0x14C);  // machine
  Put16(out, 0);                          // sections
  Put32(out, 0), Put32(out, 0), Put32(out, 0);
  Put16(out, pe32Plus ? 240 : 224);  // size of the optional header
  Put16(out, 0x0102);                // characteristics
  Put16(out, pe32Plus ? 0x20B : 0x10B);
  out.resize(DirectoriesAt(pe32Plus) - 4, 0);
  Put32(out, 16);  // number of data directories
  out.resize(DirectoriesAt(pe32Plus) + 16 * 8, 0);
  for (int i = 0; i < 64; ++i) out.push_back(static_cast<uint8_t>(0x90 + i));  // "code"
  return out;
}

size_t SecurityEntryPosition(bool pe32Plus) { return DirectoriesAt(pe32Plus) + 4 * 8; }

void SignPe(std::vector<uint8_t>& file, bool pe32Plus, uint32_t tableSize) {
  while (file.size() % 8 != 0) file.push_back(0);
  const uint32_t offset = static_cast<uint32_t>(file.size());
  for (uint32_t i = 0; i < tableSize; ++i) file.push_back(static_cast<uint8_t>(i * 7 + 1));
  std::vector<uint8_t> entry;
  Put32(entry, offset);
  Put32(entry, tableSize);
  std::copy(entry.begin(), entry.end(), file.begin() + static_cast<long>(SecurityEntryPosition(pe32Plus)));
}

}  // namespace testing_support
