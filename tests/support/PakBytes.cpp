#include "support/PakBytes.h"

#include <zlib.h>

namespace testing_support {

void Put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(value & 0xFF);
  out.push_back(value >> 8);
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back((value >> (8 * i)) & 0xFF);
}

HandEntry StoredEntry(const std::string& name, const std::string& content, uint16_t group) {
  HandEntry e;
  e.name = name;
  e.stored.assign(content.begin(), content.end());
  e.origSize = static_cast<uint32_t>(content.size());
  e.group = group;
  return e;
}

HandEntry CompressedEntry(const std::string& name, const std::string& content, uint16_t group) {
  HandEntry e;
  e.name = name;
  uLongf length = compressBound(content.size());
  e.stored.resize(length);
  compress2(e.stored.data(), &length, reinterpret_cast<const Bytef*>(content.data()), content.size(), 9);
  e.stored.resize(length);
  e.compSize = static_cast<uint32_t>(length);
  e.origSize = static_cast<uint32_t>(content.size());
  e.group = group;
  return e;
}

std::vector<uint8_t> BuildPackage(const std::vector<HandEntry>& entries, const std::vector<uint8_t>& host,
                                  uint16_t fileCountOverride) {
  std::vector<uint8_t> out = host;
  std::vector<uint32_t> offsets;
  for (const HandEntry& e : entries) {
    offsets.push_back(static_cast<uint32_t>(out.size()));
    out.insert(out.end(), e.stored.begin(), e.stored.end());
  }
  const auto tableOffset = static_cast<uint32_t>(out.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const HandEntry& e = entries[i];
    Put16(out, static_cast<uint16_t>(e.name.size()));
    out.insert(out.end(), e.name.begin(), e.name.end());
    Put32(out, e.crcOverride ? e.crc : crc32(0, e.stored.data(), e.stored.size()));
    Put32(out, e.offsetOverride ? e.offset : offsets[i]);
    Put32(out, e.compSize);
    Put32(out, e.origSize);
    Put16(out, e.group);
  }
  out.insert(out.end(), {'Z', 'T', 'P', 'F'});
  Put16(out, 1);
  Put16(out, fileCountOverride == 0xFFFF ? static_cast<uint16_t>(entries.size()) : fileCountOverride);
  Put32(out, static_cast<uint32_t>(host.size()));
  Put32(out, tableOffset);
  return out;
}

}  // namespace testing_support
