// Writing a package: entries are appended one after the other, then the table and
// the header. Used by the packaging tool and by the uninstaller builder.
#include <algorithm>
#include <cstring>

#include "package/CRC.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_ZStream.h"
#include "platform/Errors.h"

namespace {
constexpr int64_t kMaxPosition = 0xFFFFFFFFLL;  // offsets and sizes are 32-bit
}  // namespace

int TPak::NewEntry(const std::string& name, const std::string& sourceFile, uint16_t group) {
  TPakFile entry;
  entry.Name = name;
  entry.SourceFile = sourceFile;
  entry.Group = group;
  entries_.push_back(std::move(entry));
  return static_cast<int>(entries_.size()) - 1;
}

TPackedContent PackContent(const uint8_t* data, size_t length) {
  TPackedContent packed;
  packed.OrigSize = static_cast<uint32_t>(length);
  if (length < kLargeEntrySize) {
    Bytes stream = CompressZlib(data, length, 9);
    if (stream.size() <= length) {  // a stream as long as the content is kept
      packed.CompSize = static_cast<uint32_t>(stream.size());
      packed.Stored = std::move(stream);
    }
  }
  if (packed.CompSize == 0) packed.Stored.assign(data, data + length);
  packed.CRC = Crc32(packed.Stored.data(), packed.Stored.size());
  return packed;
}

bool TPak::AppendStored(TPakFile& entry, const uint8_t* data, size_t length) {
  const int64_t end = file_.Seek(0, platform::SeekOrigin::End);
  if (end < 0) return false;
  if (end - base_ + static_cast<int64_t>(length) > kMaxPosition) {
    platform::NoteFileTooLarge();
    return false;
  }
  entry.Offset = static_cast<uint32_t>(end - base_);
  const bool written = file_.WriteAll(data, length);
  fileSize_ = file_.Size();
  return written;
}

bool TPak::StorePacked(int index, const TPackedContent& packed) {
  if (!ValidIndex(index)) return false;
  if (packed.Stored.size() > static_cast<size_t>(kMaxPosition)) {
    platform::NoteFileTooLarge();
    return false;
  }
  TPakFile& entry = entries_[index];
  entry.OrigSize = packed.OrigSize;
  entry.CompSize = packed.CompSize;
  entry.CRC = packed.CRC;
  return AppendStored(entry, packed.Stored.data(), packed.Stored.size());
}

bool TPak::StoreBuffer(int index, const uint8_t* data, size_t length) {
  if (!ValidIndex(index)) return false;
  if (length > static_cast<size_t>(kMaxPosition)) {
    platform::NoteFileTooLarge();
    return false;
  }
  return StorePacked(index, PackContent(data, length));
}

std::optional<TPackedContent> PackSourceFile(const std::string& path) {
  platform::File source = platform::File::Open(path, platform::OpenMode::ReadShared);
  if (!source.IsOpen()) platform::RaiseSystemError("Cannot open file \"" + path + "\"");
  const int64_t size = source.Size();
  if (size < 0 || size > kMaxPosition)
    throw platform::ESetupError("File \"" + path + "\" is too large for a setup package");
  if (size >= kLargeEntrySize) return std::nullopt;
  Bytes content(static_cast<size_t>(size));
  if (!source.ReadExact(content.data(), content.size()))
    platform::RaiseSystemError("Cannot read file \"" + path + "\"");
  return PackContent(content.data(), content.size());
}

bool TPak::StoreFile(int index) {
  if (!ValidIndex(index)) return false;
  const std::optional<TPackedContent> packed = PackSourceFile(entries_[index].SourceFile);
  return packed ? StorePacked(index, *packed) : StoreLargeFile(index);
}

bool TPak::StoreLargeFile(int index) {
  if (!ValidIndex(index)) return false;
  TPakFile& entry = entries_[index];
  platform::File source = platform::File::Open(entry.SourceFile, platform::OpenMode::ReadShared);
  if (!source.IsOpen()) platform::RaiseSystemError("Cannot open file \"" + entry.SourceFile + "\"");
  const int64_t size = source.Size();
  if (size < 0 || size > kMaxPosition)
    throw platform::ESetupError("File \"" + entry.SourceFile + "\" is too large for a setup package");
  // A large file goes in as it is, piece by piece, without a checksum.
  entry.OrigSize = static_cast<uint32_t>(size);
  entry.CompSize = 0;
  entry.CRC = 0;
  if (!AppendStored(entry, nullptr, 0)) return false;
  if (static_cast<int64_t>(entry.Offset) + size > kMaxPosition) return false;
  Bytes chunk(static_cast<size_t>(std::min<int64_t>(kLargeChunkSize, size)));
  for (int64_t done = 0; done < size;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(kLargeChunkSize, size - done));
    if (!source.ReadExact(chunk.data(), n))
      platform::RaiseSystemError("Cannot read file \"" + entry.SourceFile + "\"");
    if (!file_.WriteAll(chunk.data(), n)) return false;
    done += static_cast<int64_t>(n);
  }
  fileSize_ = file_.Size();
  return true;
}

bool TPak::WriteTable() {
  if (entries_.size() > 0xFFFF)
    throw platform::ESetupError("A setup package holds at most 65535 entries, not " +
                                std::to_string(entries_.size()));
  for (const TPakFile& entry : entries_)
    if (entry.Name.size() > 0xFFFF)
      throw platform::ESetupError("Entry name of " + std::to_string(entry.Name.size()) +
                                  " bytes is too long (at most 65535)");
  const int64_t end = file_.Seek(0, platform::SeekOrigin::End);
  if (end < 0) return false;
  if (end > kMaxPosition) {
    platform::NoteFileTooLarge();
    return false;
  }
  header_.ID = {'Z', 'T', 'P', 'F'};
  header_.Version = 1;
  header_.FileCount = static_cast<uint16_t>(entries_.size());
  header_.TableOffset = static_cast<uint32_t>(end);
  Bytes table;
  for (const TPakFile& entry : entries_) AppendEntryRecord(table, entry);
  AppendSetupHeader(table, header_);
  const bool written = file_.WriteAll(table.data(), table.size());
  fileSize_ = file_.Size();
  tableComplete_ = true;
  return written;
}
