#include "script/SE_FileStamp.h"

#include <algorithm>
#include <memory>

#include "package/CRC.h"
#include "platform/Files.h"

namespace {

constexpr size_t kReadChunk = 1 << 20;
constexpr size_t kCrcBytes = 4;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

size_t DigestBytes(TStampDigest kind) {
  return kind == TStampDigest::Md5 ? platform::Md5Digest().size() : kCrcBytes;
}

// The digest of content fed in pieces, of either kind.
class TDigester {
 public:
  explicit TDigester(TStampDigest kind) : kind_(kind) {}
  void Update(const uint8_t* data, size_t count) {
    if (kind_ == TStampDigest::Md5) md5_.Update(data, count);
    else crc_ = Crc32(data, count, crc_);
  }
  platform::Md5Digest Finish() {
    if (kind_ == TStampDigest::Md5) return md5_.Finish();
    platform::Md5Digest digest{};
    for (size_t i = 0; i < kCrcBytes; ++i) digest[i] = static_cast<uint8_t>(crc_ >> (24 - 8 * i));
    return digest;
  }

 private:
  TStampDigest kind_;
  platform::Md5 md5_;
  uint32_t crc_ = 0;
};

// The stamp of what the open file holds from its current position; nothing when it
// cannot be read whole.
std::optional<TFileStamp> StampOfOpenFile(platform::File& file, TStampDigest kind) {
  TDigester digester(kind);
  // Most files are small: a buffer of the file's size, not of the largest chunk, and
  // left unfilled, as the reads fill it (thousands of files are read at an uninstall).
  const int64_t size = file.Size();
  const size_t chunkSize = size > 0 ? static_cast<size_t>(std::min<int64_t>(size, kReadChunk)) : 1;
  const std::unique_ptr<uint8_t[]> chunk(new uint8_t[chunkSize]);
  TFileStamp stamp;
  stamp.kind = kind;
  for (size_t got; (got = file.Read(chunk.get(), chunkSize)) > 0;) {
    digester.Update(chunk.get(), got);
    stamp.size += got;
  }
  if (static_cast<int64_t>(stamp.size) != size) return std::nullopt;  // a read failed on the way
  stamp.digest = digester.Finish();
  return stamp;
}

}  // namespace

TFileStamp StampOfBytes(const uint8_t* data, size_t count, TStampDigest kind) {
  TDigester digester(kind);
  if (count) digester.Update(data, count);
  return {count, kind, digester.Finish()};
}

std::optional<TFileStamp> StampOfFile(const std::string& path, TStampDigest kind) {
  platform::File file = platform::File::Open(path, platform::OpenMode::ReadShared);
  if (!file.IsOpen()) return std::nullopt;
  return StampOfOpenFile(file, kind);
}

TStampMatch MatchOfFile(const std::string& path, const TFileStamp& stamp) {
  // One open tells, in most cases, whether the file is there, and its size whether it
  // needs reading at all: an uninstallation asks this of thousands of files.
  platform::File file = platform::File::Open(path, platform::OpenMode::ReadShared);
  if (!file.IsOpen()) return platform::FileExists(path) ? TStampMatch::Changed : TStampMatch::Missing;
  if (file.Size() != static_cast<int64_t>(stamp.size)) return TStampMatch::Changed;
  return StampOfOpenFile(file, stamp.kind) == stamp ? TStampMatch::Same : TStampMatch::Changed;
}

std::string FormatStamp(const TFileStamp& stamp) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text = std::to_string(stamp.size) + " ";
  for (size_t i = 0; i < DigestBytes(stamp.kind); ++i) {
    text += kDigits[stamp.digest[i] >> 4];
    text += kDigits[stamp.digest[i] & 15];
  }
  return text;
}

std::optional<TFileStamp> ParseStamp(std::string_view text) {
  const size_t blank = text.find(' ');
  if (blank == 0 || blank == std::string_view::npos) return std::nullopt;
  TFileStamp stamp;
  const size_t digits = text.size() - blank - 1;
  if (digits == 2 * DigestBytes(TStampDigest::Crc32)) stamp.kind = TStampDigest::Crc32;
  else if (digits != 2 * DigestBytes(TStampDigest::Md5)) return std::nullopt;
  for (size_t i = 0; i < blank; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
    if (stamp.size > (UINT64_MAX - digit) / 10) return std::nullopt;
    stamp.size = stamp.size * 10 + digit;
  }
  for (size_t i = 0; i < DigestBytes(stamp.kind); ++i) {
    const int high = HexValue(text[blank + 1 + 2 * i]);
    const int low = HexValue(text[blank + 2 + 2 * i]);
    if (high < 0 || low < 0) return std::nullopt;
    stamp.digest[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return stamp;
}
