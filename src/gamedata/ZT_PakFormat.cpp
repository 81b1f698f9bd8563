#include "gamedata/ZT_PakFormat.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "gamedata/BRQX_Encryption.h"
#include "platform/LittleEndian.h"

namespace {

bool IsAlnum(uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The long form: a marker "ZTP3" d bytes before the end (d > 0), then possibly a
// password block in those d bytes.
std::optional<TPakTrailer> ParseLongForm(std::span<const uint8_t> tail, size_t d) {
  TPakTrailer trailer;
  trailer.form = TTrailerForm::Marker;
  trailer.length = static_cast<uint32_t>(d + 6);
  const uint8_t* block = tail.data() + tail.size() - d;
  if (d < 4) return trailer;
  const bool eih1 = !std::memcmp(block, "EIH1", 4), eih2 = !std::memcmp(block, "EIH2", 4);
  if (!eih1 && !eih2) return trailer;
  trailer.form = eih2 ? TTrailerForm::Eih2 : TTrailerForm::Eih1;
  if (d < 8) return std::nullopt;
  const size_t length = platform::DecodeFixed16(block + 6);
  if (8 + length + (eih2 ? 1 : 0) > d) return std::nullopt;
  const TTarskEncryptionType cipher(block[4], block[5]);
  if (!cipher.UsableSeeds()) return std::nullopt;  // the game's reader could not decipher it
  trailer.password = cipher.Decrypt(std::string_view(reinterpret_cast<const char*>(block + 8), length));
  if (eih2) trailer.official = block[8 + length] != 0;
  return trailer;
}

}  // namespace

const char* TrailerFormName(TTrailerForm form) {
  switch (form) {
    case TTrailerForm::Short: return "ZTP2";
    case TTrailerForm::Marker: return "ZTP3";
    case TTrailerForm::Eih1: return "EIH1";
    case TTrailerForm::Eih2: return "EIH2";
    case TTrailerForm::None: break;
  }
  return "none";
}

std::optional<TPakTrailer> ParseTrailer(std::span<const uint8_t> tail) {
  const size_t n = tail.size();
  if (n >= 13 && !std::memcmp(tail.data() + n - 13, "ZTP2", 4)) {
    TPakTrailer trailer;
    trailer.form = TTrailerForm::Short;
    trailer.length = 13;
    for (size_t i = n - 9; i < n && IsAlnum(tail[i]); ++i) trailer.password += char(tail[i]);
    return trailer;
  }
  for (size_t d = 0; d <= kTrailerSearch && d + 6 <= n; ++d) {
    if (std::memcmp(tail.data() + n - d - 6, "ZTP3", 4)) continue;
    if (d == 0) break;  // a bare marker at the very end counts as no trailer
    return ParseLongForm(tail, d);
  }
  return TPakTrailer{};
}

std::vector<uint8_t> EncodeTrailer(std::string_view password, bool official, uint8_t seedA, uint8_t seedB) {
  std::vector<uint8_t> out = {'Z', 'T', 'P', '3', 1, 0, 'E', 'I', 'H', '2', seedA, seedB};
  const std::string enciphered = TTarskEncryptionType(seedA, seedB).Encrypt(password);
  platform::PutFixed16(out, static_cast<uint16_t>(enciphered.size()));
  out.insert(out.end(), enciphered.begin(), enciphered.end());
  out.push_back(official ? 1 : 0);
  return out;
}

std::optional<TPakHeader> ParseHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() < kPakHeaderSize) return std::nullopt;
  TPakHeader h{platform::DecodeFixed32(&bytes[0]), platform::DecodeFixed32(&bytes[4]),
               platform::DecodeFixed32(&bytes[8]), platform::DecodeFixed32(&bytes[12]),
               platform::DecodeFixed32(&bytes[16])};
  if (h.version != kPakVersion || h.reserved != 0) return std::nullopt;
  return h;
}

std::vector<uint8_t> EncodeHeader(const TPakHeader& h) {
  std::vector<uint8_t> out;
  for (uint32_t v : {h.packedSize, h.unpackedSize, h.version, h.count, h.reserved})
    platform::PutFixed32(out, v);
  return out;
}

void EncodeDirEntry(const TPakDirEntry& e, uint8_t* out) {
  std::memset(out, 0, kPakDirEntrySize);
  platform::EncodeFixed16(out, e.marker);
  out[2] = e.kind;
  out[3] = e.reserved;
  platform::EncodeFixed32(out + 4, e.date);
  platform::EncodeFixed32(out + 8, e.storedSize);
  platform::EncodeFixed32(out + 12, e.fullSize);
  platform::EncodeFixed32(out + 16, e.offset);
  const size_t length = std::min(e.name.size(), kPakNameMax);
  out[24] = static_cast<uint8_t>(length);
  std::memcpy(out + 25, e.name.data(), length);
}

std::optional<std::string> PakNameFault(std::string_view name) {
  if (name.size() <= kPakNameMax) return std::nullopt;
  return "is " + std::to_string(name.size()) + " characters long; a game package's names hold at most " +
         std::to_string(kPakNameMax);
}

std::optional<TPakDirEntry> DecodeDirEntry(const uint8_t* in) {
  if (in[24] > kPakNameMax) return std::nullopt;
  TPakDirEntry e;
  e.marker = platform::DecodeFixed16(in);
  e.kind = in[2];
  e.reserved = in[3];
  e.date = platform::DecodeFixed32(in + 4);
  e.storedSize = platform::DecodeFixed32(in + 8);
  e.fullSize = platform::DecodeFixed32(in + 12);
  e.offset = platform::DecodeFixed32(in + 16);
  e.name.assign(reinterpret_cast<const char*>(in + 25), in[24]);
  return e;
}

std::optional<std::vector<TPakDirEntry>> DecodeDirectory(const TPakHeader& header,
                                                         std::span<const uint8_t> packed) {
  const uint64_t needed = uint64_t{header.count} * kPakDirEntrySize;
  // zlib cannot expand by more than about 1032:1; a larger claim is a damaged header
  // and must not make us allocate gigabytes.
  if (packed.size() != header.packedSize || needed > header.unpackedSize ||
      header.unpackedSize > uint64_t{header.packedSize} * 1040 + 64)
    return std::nullopt;
  std::vector<uint8_t> raw(header.unpackedSize);
  uLongf rawLength = static_cast<uLongf>(raw.size());
  if (header.unpackedSize > 0 || header.packedSize > 0) {
    const int rc = uncompress(raw.data(), &rawLength, packed.data(), static_cast<uLong>(packed.size()));
    if (rc != Z_OK || rawLength != header.unpackedSize) return std::nullopt;
  }
  std::vector<TPakDirEntry> entries;
  entries.reserve(header.count);
  for (uint32_t i = 0; i < header.count; ++i) {
    auto entry = DecodeDirEntry(raw.data() + size_t{i} * kPakDirEntrySize);
    if (!entry) return std::nullopt;
    entries.push_back(std::move(*entry));
  }
  return entries;
}

std::vector<uint8_t> EncodeDirectory(const std::vector<const TPakDirEntry*>& records, TPakHeader& header) {
  std::vector<uint8_t> raw(records.size() * kPakDirEntrySize);
  for (size_t i = 0; i < records.size(); ++i) EncodeDirEntry(*records[i], raw.data() + i * kPakDirEntrySize);
  uLongf packedLength = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedLength);
  compress2(packed.data(), &packedLength, raw.data(), static_cast<uLong>(raw.size()), 9);
  packed.resize(packedLength);
  header = TPakHeader{static_cast<uint32_t>(packed.size()), static_cast<uint32_t>(raw.size()), kPakVersion,
                      static_cast<uint32_t>(records.size()), 0};
  return packed;
}

uint32_t DosDate(int year, int month, int day) {
  const uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) | (month << 5) | day;
  return date << 16;
}

std::optional<TPakLayout> ReadPackageLayout(uint64_t size, const TPakReadAt& read) {
  TPakLayout layout;
  std::vector<uint8_t> tail(static_cast<size_t>(std::min<uint64_t>(size, kTrailerTail)));
  if (!read(size - tail.size(), tail.data(), tail.size())) return std::nullopt;
  auto trailer = ParseTrailer(tail);
  if (!trailer) return std::nullopt;
  layout.trailer = std::move(*trailer);
  if (size < uint64_t{layout.trailer.length} + kPakHeaderSize) return std::nullopt;
  const uint64_t headerOffset = size - layout.trailer.length - kPakHeaderSize;
  uint8_t rawHeader[kPakHeaderSize];
  if (!read(headerOffset, rawHeader, sizeof rawHeader)) return std::nullopt;
  auto header = ParseHeader(rawHeader);
  if (!header || header->packedSize > headerOffset) return std::nullopt;
  layout.header = *header;
  layout.directoryOffset = headerOffset - header->packedSize;
  std::vector<uint8_t> packed(header->packedSize);
  if (!read(layout.directoryOffset, packed.data(), packed.size())) return std::nullopt;
  auto entries = DecodeDirectory(*header, packed);
  if (!entries) return std::nullopt;
  layout.entries = std::move(*entries);
  return layout;
}
