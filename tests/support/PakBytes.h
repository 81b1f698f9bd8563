// Setup packages written byte by byte for tests, so that the reader is checked
// against the layout itself rather than against our own writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct HandEntry {
  std::string name;
  std::vector<uint8_t> stored;  // the bytes as they stand in the package
  uint32_t compSize = 0;
  uint32_t origSize = 0;
  uint16_t group = 0;
  bool crcOverride = false;  // use crc below instead of the checksum of stored
  uint32_t crc = 0;
  bool offsetOverride = false;
  uint32_t offset = 0;
};

// An entry stored as it is (CompSize 0).
HandEntry StoredEntry(const std::string& name, const std::string& content, uint16_t group);
// An entry holding a zlib stream of the content, at level 9.
HandEntry CompressedEntry(const std::string& name, const std::string& content, uint16_t group);

// host + every entry's stored bytes + the table + the 16-byte header.
std::vector<uint8_t> BuildPackage(const std::vector<HandEntry>& entries,
                                  const std::vector<uint8_t>& host = {}, uint16_t fileCountOverride = 0xFFFF);

void Put16(std::vector<uint8_t>& out, uint16_t value);
void Put32(std::vector<uint8_t>& out, uint32_t value);

}  // namespace testing_support
