// Writing a package: entries are appended one after the other, then the table and
// the header. Used by the packaging tool and by the uninstaller builder.
#include <algorithm>
#include <cstring>

#include "package/CRC.h"
#include "package/ZTI_PakExtended.h"
#include "package/ZTI_PakTableFrame.h"
#include "package/ZTI_PakFile.h"
#include "package/ZTI_ZStream.h"
#include "platform/Errors.h"

namespace {
constexpr int64_t kMaxPosition = 0xFFFFFFFFLL;  // offsets and sizes are 32-bit
constexpr int64_t kMaxExtendedPosition = INT64_MAX;
// The trial that tells already compressed content (PNG, JPEG, OGG, ZIP ...) looks at
// this much of it, with deflate's fastest level: what does not shrink there does not
// shrink at level 9 either.
constexpr size_t kTrialBytes = 64 << 10;
constexpr int kTrialLevel = 1;

// Compression is kept when it saves at least 1%: less would cost every player the
// inflation for nothing worth the name.
bool SavesEnough(size_t compressed, size_t length) { return compressed * 100 <= length * 99; }
}  // namespace

int TPak::NewEntry(const std::string& name, const std::string& sourceFile, uint16_t group) {
  TPakFile entry;
  entry.Name = name;
  entry.SourceFile = sourceFile;
  entry.Group = group;
  entries_.push_back(std::move(entry));
  return static_cast<int>(entries_.size()) - 1;
}

bool WorthCompressing(const uint8_t* data, size_t length) {
  const size_t sample = std::min(length, kTrialBytes);
  return SavesEnough(CompressZlib(data, sample, kTrialLevel).size(), sample);
}

TPackedContent PackContent(const uint8_t* data, size_t length) {
  TPackedContent packed;
  packed.OrigSize = length;
  // Content no longer than the trial is compressed whole at once: that is its trial.
  if (length < kLargeEntrySize && (length <= kTrialBytes || WorthCompressing(data, length))) {
    Bytes stream = CompressZlib(data, length, 9);
    if (SavesEnough(stream.size(), length)) {
      packed.CompSize = stream.size();
      packed.Stored = std::move(stream);
    }
  }
  if (packed.CompSize == 0) packed.Stored.assign(data, data + length);
  packed.CRC = Crc32(packed.Stored.data(), packed.Stored.size());
  return packed;
}

int64_t TPak::MaxPosition() const { return extended_ ? kMaxExtendedPosition : kMaxPosition; }

bool TPak::AppendStored(TPakFile& entry, const uint8_t* data, size_t length) {
  const int64_t end = file_.Seek(0, platform::SeekOrigin::End);
  if (end < 0) return false;
  if (end - base_ + static_cast<int64_t>(length) > MaxPosition()) {
    platform::NoteFileTooLarge();
    return false;
  }
  entry.Offset = static_cast<uint64_t>(end - base_);
  const bool written = file_.WriteAll(data, length);
  fileSize_ = file_.Size();
  return written;
}

bool TPak::StorePacked(int index, const TPackedContent& packed) {
  if (!ValidIndex(index)) return false;
  if (static_cast<uint64_t>(packed.Stored.size()) > static_cast<uint64_t>(MaxPosition())) {
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
  if (static_cast<uint64_t>(length) > static_cast<uint64_t>(MaxPosition())) {
    platform::NoteFileTooLarge();
    return false;
  }
  return StorePacked(index, PackContent(data, length));
}

std::optional<TPackedContent> PackSourceFile(const std::string& path) {
  platform::File source = platform::File::Open(path, platform::OpenMode::ReadShared);
  if (!source.IsOpen()) platform::RaiseSystemError("Cannot open file \"" + path + "\"");
  const int64_t size = source.Size();
  if (size < 0 || size > kMaxExtendedPosition)
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
  if (size < 0 || size > MaxPosition())
    throw platform::ESetupError("File \"" + entry.SourceFile + "\" is too large for a setup package");
  // A large file goes in as it is, piece by piece, with the checksum of its content
  // (programs that check no large entry ignore it).
  entry.OrigSize = static_cast<uint64_t>(size);
  entry.CompSize = 0;
  entry.CRC = 0;
  if (!AppendStored(entry, nullptr, 0)) return false;
  if (static_cast<int64_t>(entry.Offset) + size > MaxPosition()) return false;
  Bytes chunk(static_cast<size_t>(std::min<int64_t>(kLargeChunkSize, size)));
  uint32_t crc = 0;
  for (int64_t done = 0; done < size;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(kLargeChunkSize, size - done));
    if (!source.ReadExact(chunk.data(), n))
      platform::RaiseSystemError("Cannot read file \"" + entry.SourceFile + "\"");
    if (!file_.WriteAll(chunk.data(), n)) return false;
    crc = Crc32(chunk.data(), n, crc);
    done += static_cast<int64_t>(n);
  }
  entry.CRC = crc;
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

// ---- the extended layout -------------------------------------------------------

std::optional<uint32_t> TPak::AppendBlock(const TPakBlock& block, const Bytes& frame) {
  extended_ = true;
  TPakFile carrier;  // takes the position the frame is written at
  if (!AppendStored(carrier, frame.data(), frame.size())) return std::nullopt;
  TPakBlock placed = block;
  placed.Offset = carrier.Offset;
  placed.StoredSize = frame.size();
  placed.CRC = Crc32(frame.data(), frame.size());
  blocks_.push_back(placed);
  return static_cast<uint32_t>(blocks_.size() - 1);
}

bool TPak::AddBlockEntry(int index, uint32_t block, uint64_t offset, uint64_t origSize, uint32_t crc) {
  if (!ValidIndex(index) || block >= blocks_.size()) return false;
  extended_ = true;
  TPakFile& entry = entries_[index];
  entry.InBlocks = true;
  entry.Block = block;
  entry.Offset = offset;
  entry.CompSize = 0;
  entry.OrigSize = origSize;
  entry.CRC = crc;
  return true;
}

bool TPak::ExtendStored(int index, const uint8_t* data, size_t length) {
  if (!ValidIndex(index)) return false;
  TPakFile unused;
  return AppendStored(unused, data, length);
}

bool TPak::WriteExtendedTable() {
  if (entries_.size() > 0xFFFFFFFFu)
    throw platform::ESetupError("A setup package holds at most 4294967295 entries");
  for (const TPakFile& entry : entries_)
    if (entry.Name.size() > 0xFFFF)
      throw platform::ESetupError("Entry name of " + std::to_string(entry.Name.size()) +
                                  " bytes is too long (at most 65535)");
  extended_ = true;
  const int64_t end = file_.Seek(0, platform::SeekOrigin::End);
  if (end < 0) return false;
  TExtendedTable table;
  table.PakStart = header_.PakStart;
  table.Blocks = blocks_;
  table.Entries = entries_;
  table.Parts = MoveIntoDataFiles(static_cast<uint64_t>(end), BuildExtendedTable(table).size());
  const int64_t dataEnd = table.Parts.empty() ? end : file_.Seek(0, platform::SeekOrigin::End);
  if (dataEnd < 0) return false;
  dataFiles_.Plan(table.Parts, static_cast<uint64_t>(dataEnd));
  Bytes bytes = BuildExtendedTable(table);
  TPakLocator locator;
  // The frame is never longer than the plain table, which the data files were cut for.
  if (std::optional<Bytes> frame = compressTable_ ? CompressTable(bytes) : std::nullopt) {
    bytes = std::move(*frame);
    locator.Required |= kZstdTable;
  }
  locator.TableOffset = static_cast<uint64_t>(dataEnd);
  locator.TableLength = bytes.size();
  locator.TableCRC = Crc32(bytes.data(), bytes.size());
  const uint64_t locatorAt = locator.TableOffset + locator.TableLength;
  AppendLocator(bytes, locator);
  // Readers of the first layout find no entries; positions past 4 GiB read as none.
  header_.ID = {'Z', 'T', 'P', 'F'};
  header_.Version = kExtendedVersion;
  header_.FileCount = 0;
  header_.TableOffset = static_cast<uint32_t>(std::min<uint64_t>(locatorAt, 0xFFFFFFFFu));
  AppendSetupHeader(bytes, header_);
  const bool written = file_.WriteAll(bytes.data(), bytes.size());
  fileSize_ = file_.Size();
  declaredCount_ = static_cast<uint32_t>(entries_.size());
  tableComplete_ = true;
  return written;
}
