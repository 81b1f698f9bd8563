// The package's header and entry table as bytes: parsing and building them, and the
// check that an entry name stays inside its target directory.
#include <algorithm>
#include <cstring>

#include "package/ZTI_PakFile.h"
#include "platform/LittleEndian.h"

TSetupHeader ParseSetupHeader(const uint8_t* bytes16) {
  TSetupHeader header;
  std::memcpy(header.ID.data(), bytes16, 4);
  header.Version = platform::DecodeFixed16(bytes16 + 4);
  header.FileCount = platform::DecodeFixed16(bytes16 + 6);
  header.PakStart = platform::DecodeFixed32(bytes16 + 8);
  header.TableOffset = platform::DecodeFixed32(bytes16 + 12);
  return header;
}

void AppendSetupHeader(Bytes& out, const TSetupHeader& header) {
  out.insert(out.end(), header.ID.begin(), header.ID.end());
  platform::PutFixed16(out, header.Version);
  platform::PutFixed16(out, header.FileCount);
  platform::PutFixed32(out, header.PakStart);
  platform::PutFixed32(out, header.TableOffset);
}

std::vector<TPakFile> ParseEntryTable(const TByteSource& source, size_t count, bool* complete) {
  std::vector<TPakFile> entries;
  entries.reserve(std::min<size_t>(count, 256));
  bool whole = true;
  for (size_t i = 0; i < count && whole; ++i) {
    uint8_t length[2];
    TPakFile entry;
    whole = source(length, 2) == 2;
    if (whole) {
      entry.Name.resize(platform::DecodeFixed16(length));
      whole = source(reinterpret_cast<uint8_t*>(entry.Name.data()), entry.Name.size()) == entry.Name.size();
    }
    uint8_t fields[18];
    if (whole) whole = source(fields, sizeof fields) == sizeof fields;
    if (!whole) break;
    entry.CRC = platform::DecodeFixed32(fields);
    entry.Offset = platform::DecodeFixed32(fields + 4);
    entry.CompSize = platform::DecodeFixed32(fields + 8);
    entry.OrigSize = platform::DecodeFixed32(fields + 12);
    entry.Group = platform::DecodeFixed16(fields + 16);
    entries.push_back(std::move(entry));
  }
  if (complete) *complete = whole;
  return entries;
}

void AppendEntryRecord(Bytes& out, const TPakFile& entry) {
  platform::PutFixed16(out, static_cast<uint16_t>(entry.Name.size()));
  out.insert(out.end(), entry.Name.begin(), entry.Name.end());
  platform::PutFixed32(out, entry.CRC);
  platform::PutFixed32(out, entry.Offset);
  platform::PutFixed32(out, entry.CompSize);
  platform::PutFixed32(out, entry.OrigSize);
  platform::PutFixed16(out, entry.Group);
}

bool IsSafeEntryName(std::string_view name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
  if (name.find(':') != std::string_view::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part.size() >= 2 && part.find_first_not_of(". ") == std::string_view::npos) return false;
    start = end + 1;
  }
  return true;
}
