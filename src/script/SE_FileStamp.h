// The stamp of a file's content: its size and a digest, written as "<size> <hex
// digits>": 32 digits of MD5 (what a replaced file's record holds), or 8 of CRC-32
// (what the record of thousands of made files holds: a file the game or the player
// changed since is told from the add-on's by either, and CRC-32 costs a fraction of
// MD5 on a large installation). An add-on's records keep the stamp of what it put in
// place, so that the uninstaller can tell whether the file there is still exactly that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Md5.h"

enum class TStampDigest : uint8_t { Md5, Crc32 };

struct TFileStamp {
  uint64_t size = 0;
  TStampDigest kind = TStampDigest::Md5;
  // MD5: all 16 bytes; CRC-32: the first 4, most significant first, the rest zero.
  platform::Md5Digest digest{};
  bool operator==(const TFileStamp&) const = default;
};

// The stamp of content the caller holds in memory.
TFileStamp StampOfBytes(const uint8_t* data, size_t count, TStampDigest kind);
// The stamp of the file's content; nothing when it cannot be read whole.
std::optional<TFileStamp> StampOfFile(const std::string& path, TStampDigest kind = TStampDigest::Md5);
// Whether the file at path holds exactly the stamped content (a file of another size
// is told apart without being read). A file that is there but cannot be read is not
// known to be that content: Changed.
enum class TStampMatch { Same, Changed, Missing };
TStampMatch MatchOfFile(const std::string& path, const TFileStamp& stamp);

std::string FormatStamp(const TFileStamp& stamp);
// Nothing when the text is not a stamp as FormatStamp writes it.
std::optional<TFileStamp> ParseStamp(std::string_view text);
