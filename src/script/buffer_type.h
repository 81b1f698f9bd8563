// Reading and writing the program's binary formats: a read cursor over a memory block
// (TBufferManager) with little-endian typed readers, the length-prefixed string (a
// 16-bit little-endian length, then that many 8-bit characters) on buffers and open
// files, and appenders that build the same formats in a byte vector.
//
// No reader goes past the end of its block: a read near the end yields what is
// there, and the typed readers give 0 (or the shorter string) for missing bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class File;
}

using Bytes = std::vector<uint8_t>;

class TBufferManager {
 public:
  TBufferManager() = default;
  // The block is not owned and must outlive the cursor.
  TBufferManager(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
  explicit TBufferManager(const Bytes& bytes) : TBufferManager(bytes.data(), bytes.size()) {}

  // A copy of the next length bytes, or of what remains when fewer remain; nothing
  // at the end (or for an empty block). The cursor advances by the count copied.
  std::optional<Bytes> Read(size_t length);
  // Copies the next length bytes, or what remains, into destination; returns the
  // count copied (0 at the end).
  size_t ReadInto(size_t length, void* destination);
  // The next count bytes in place, for records read whole: nothing (and the cursor
  // stays) when fewer than count remain. The pointer lives as long as the block.
  const uint8_t* Take(size_t count);
  void SetPosition(size_t position) { position_ = position < size_ ? position : size_; }

  size_t Position() const { return position_; }
  size_t Size() const { return size_; }
  size_t Remaining() const { return size_ - position_; }
  bool AtEnd() const { return position_ >= size_; }

 private:
  const uint8_t* data_ = nullptr;
  size_t position_ = 0;
  size_t size_ = 0;
};

// Typed readers. Bytes missing at the end of the block read as 0; a string that runs
// past the end yields the characters that are there.
std::string ReadString(TBufferManager& buffer);
uint32_t ReadInt32(TBufferManager& buffer);
uint16_t ReadInt16(TBufferManager& buffer);
uint8_t ReadByte(TBufferManager& buffer);

// The longest text a length-prefixed string can hold.
constexpr size_t kMaxStringLength = 0xFFFF;

// The same string on an open file. Reading stops at the end of the file, yielding
// what was there. Writing fails (returns false, writes nothing) for a text longer
// than kMaxStringLength; otherwise it reports whether every write succeeded.
std::string ReadFileString(platform::File& file);
bool WriteFileString(platform::File& file, std::string_view text);

// Appenders for writers that build a format in memory. AppendString raises
// ESetupError for a text longer than kMaxStringLength.
void AppendByte(Bytes& out, uint8_t value);
void AppendInt16(Bytes& out, uint16_t value);
void AppendInt32(Bytes& out, uint32_t value);
void AppendString(Bytes& out, std::string_view text);
void AppendBytes(Bytes& out, const void* data, size_t count);
