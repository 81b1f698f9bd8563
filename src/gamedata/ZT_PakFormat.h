// The byte layout of a game package (".ztp"), read and written on memory buffers:
//
//   data area | directory (one zlib stream of count x 152-byte records) |
//   20-byte header (packed size, unpacked size, version 5, count, 0) | trailer
//
// The trailer is absent, the short form "ZTP2" + 9 bytes of plain password, or the
// long form "ZTP3" u16 1, then "EIH1"/"EIH2", seed A, seed B, u16 length, the
// enciphered password and (EIH2 only) the official byte. The reader finds the long
// form's marker at most 50 bytes before the end.
//
// Nothing here trusts a size, count or length read from a package: every decoder
// says "corrupted" instead of reading past what it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t kPakHeaderSize = 20;
inline constexpr size_t kPakDirEntrySize = 152;
inline constexpr size_t kPakNameMax = 127;
inline constexpr uint32_t kPakVersion = 5;
inline constexpr uint16_t kPakRecordMarker = 0x0A0D;
// The reader looks for the long trailer's marker this far before the end, so a
// password block holds at most 50 bytes and a password at most 41 characters.
inline constexpr size_t kTrailerSearch = 50;
inline constexpr size_t kPasswordMax = 41;
// Bytes at the end of a package that hold any trailer form.
inline constexpr size_t kTrailerTail = kTrailerSearch + 6;

enum class TPakKind : uint8_t { Sound = 1, Compressed = 2 };

struct TPakDirEntry {
  uint16_t marker = kPakRecordMarker;
  uint8_t kind = 0;
  uint8_t reserved = 0;
  uint32_t date = 0;  // packed DOS date/time, date in the high half
  uint32_t storedSize = 0;
  uint32_t fullSize = 0;
  uint32_t offset = 0;
  std::string name;  // at most 127 characters
};

struct TPakHeader {
  uint32_t packedSize = 0;
  uint32_t unpackedSize = 0;
  uint32_t version = kPakVersion;
  uint32_t count = 0;
  uint32_t reserved = 0;
};

enum class TTrailerForm { None, Short, Marker, Eih1, Eih2 };
const char* TrailerFormName(TTrailerForm form);  // "none", "ZTP2", "ZTP3", "EIH1", "EIH2"

struct TPakTrailer {
  TTrailerForm form = TTrailerForm::None;
  uint32_t length = 0;  // bytes of the trailer at the end of the file
  std::string password;
  bool official = false;
};

// The trailer from the last bytes of a package (`tail`, at most kTrailerTail of
// them, fewer when the file is shorter). Nothing for a password block that runs past
// the end or whose seeds give no key.
std::optional<TPakTrailer> ParseTrailer(std::span<const uint8_t> tail);
// The long trailer form, with the given seeds (2 to 6 when the writer draws them).
std::vector<uint8_t> EncodeTrailer(std::string_view password, bool official, uint8_t seedA, uint8_t seedB);

std::optional<TPakHeader> ParseHeader(std::span<const uint8_t> bytes);  // version 5, reserved 0
std::vector<uint8_t> EncodeHeader(const TPakHeader& header);

// Inflates and splits the directory; nothing when the stream or a record is damaged.
// The reserved word at offset 20 of each record is cleared.
std::optional<std::vector<TPakDirEntry>> DecodeDirectory(const TPakHeader& header,
                                                         std::span<const uint8_t> packed);
// The directory stream (zlib level 9) and its header.
std::vector<uint8_t> EncodeDirectory(const std::vector<const TPakDirEntry*>& records, TPakHeader& header);

void EncodeDirEntry(const TPakDirEntry& entry, uint8_t* out);  // 152 bytes
// Nothing when the name's length byte is above 127.
std::optional<TPakDirEntry> DecodeDirEntry(const uint8_t* in);
// Why a package cannot hold an entry of that name, or nothing: a record holds at most
// 127 characters, and a cut name would never match the entry again.
std::optional<std::string> PakNameFault(std::string_view name);

// The packed DOS date/time of a day at 00:00:00.
uint32_t DosDate(int year, int month, int day);

// Trailer, header and directory of a whole package, as they lie at its end.
struct TPakLayout {
  TPakTrailer trailer;
  TPakHeader header;
  uint64_t directoryOffset = 0;  // the data area ends here
  std::vector<TPakDirEntry> entries;
};

// Reads `count` bytes at `offset` of the package; false when they are not all there.
using TPakReadAt = std::function<bool(uint64_t offset, uint8_t* into, size_t count)>;
// The layout of a package of `size` bytes; nothing when any part of it is damaged.
std::optional<TPakLayout> ReadPackageLayout(uint64_t size, const TPakReadAt& read);
