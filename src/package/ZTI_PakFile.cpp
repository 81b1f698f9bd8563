#include "package/ZTI_PakFile.h"

#include <algorithm>
#include <cstring>

#include "package/CRC.h"
#include "package/ZTI_PakExtended.h"
#include "package/ZTI_PakTableFrame.h"
#include "package/ZTI_SignedProgram.h"
#include "package/ZTI_ZStream.h"
#include "package/ZTI_ZstdFrames.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"

namespace {

// Sequential reads from the open package with a buffer, so a table of thousands of
// records costs a few system calls.
class BufferedFileSource {
 public:
  explicit BufferedFileSource(platform::File& file) : file_(file), buffer_(1 << 16) {}
  size_t operator()(uint8_t* into, size_t count) {
    size_t done = 0;
    while (done < count) {
      if (next_ == filled_) {
        next_ = 0;
        filled_ = file_.Read(buffer_.data(), buffer_.size());
        if (filled_ == 0) break;
      }
      const size_t n = std::min(count - done, filled_ - next_);
      std::memcpy(into + done, buffer_.data() + next_, n);
      next_ += n;
      done += n;
    }
    return done;
  }

 private:
  platform::File& file_;
  Bytes buffer_;
  size_t next_ = 0, filled_ = 0;
};

}  // namespace

const char* CompressionName(TCompression method) {
  switch (method) {
    case TCompression::Stored: return "stored";
    case TCompression::Zlib: return "zlib";
    case TCompression::ZstdBlocks: return "zstd";
  }
  return "unknown";
}

std::optional<int64_t> FindSetupHeader(const TReadAt& read, uint64_t fileSize) {
  if (fileSize < kSetupHeaderSize) return std::nullopt;
  const uint64_t end = UnsignedContentEnd(read, fileSize);
  if (end == fileSize) return static_cast<int64_t>(fileSize - kSetupHeaderSize);
  // Signed: the header ends where the zero padding before the certificate table begins.
  uint8_t tail[kSetupHeaderSize + kCertificateAlignment] = {};
  const size_t span = static_cast<size_t>(std::min<uint64_t>(end, sizeof tail));
  if (span < kSetupHeaderSize || !read(end - span, tail, span)) return std::nullopt;
  for (size_t padding = 0; padding + kSetupHeaderSize <= span && padding < kCertificateAlignment; ++padding) {
    const uint8_t* header = tail + span - padding - kSetupHeaderSize;
    if (std::memcmp(header, "ZTPF", 4) == 0) return static_cast<int64_t>(end - padding - kSetupHeaderSize);
    if (tail[span - padding - 1] != 0) break;  // padding is zeros only
  }
  // A package appended after the signature (to a signed stub) ends the file as usual.
  return static_cast<int64_t>(fileSize - kSetupHeaderSize);
}

// ---- opening -------------------------------------------------------------------

void TPak::Create(const std::string& fileName, bool append, bool create) {
  *this = TPak();
  fileName_ = fileName;
  using platform::OpenMode;
  // A package opened for reading shuts writers out while it is open (where the system
  // can): its checked content cannot change under the setup.
  const OpenMode mode =
      append ? OpenMode::ReadWrite : (create ? OpenMode::CreateTruncate : OpenMode::ReadKeepShut);
  file_ = platform::File::Open(fileName, mode);
  if (!file_.IsOpen()) platform::RaiseSystemError("Cannot open file \"" + fileName + "\"");
  fileSize_ = file_.Size();
  if (append) {
    header_.PakStart = static_cast<uint32_t>(fileSize_);
    file_.Seek(0, platform::SeekOrigin::End);
  } else if (!create) {
    ReadTable();
  }
}

void TPak::ReadTable() {
  entries_.clear();
  tableComplete_ = true;
  header_ = TSetupHeader();
  fileSize_ = file_.Size();
  if (fileSize_ < 0) return;
  const std::optional<int64_t> headerAt = FindSetupHeader(ReadAtOf(file_), static_cast<uint64_t>(fileSize_));
  uint8_t raw[kSetupHeaderSize];
  if (!headerAt || file_.Seek(*headerAt) < 0 || !file_.ReadExact(raw, sizeof raw)) return;
  header_ = ParseSetupHeader(raw);
  if (!header_.IsPackage()) return;
  if (header_.Version > kExtendedVersion) {
    newerTool_ = true;
    return;
  }
  if (header_.Version == kExtendedVersion) return ReadExtendedTable(static_cast<uint64_t>(*headerAt));
  declaredCount_ = header_.FileCount;
  if (file_.Seek(header_.TableOffset) < 0) {
    tableComplete_ = header_.FileCount == 0;
    return;
  }
  BufferedFileSource source(file_);
  entries_ = ParseEntryTable(std::ref(source), header_.FileCount, &tableComplete_);
}

// The locator sits right before the header and names the table, which must lie
// between the package's start and the locator and match its checksum. A damaged
// table opens as an incomplete one (nothing read), so the check fails on it.
void TPak::ReadExtendedTable(uint64_t headerAt) {
  extended_ = true;
  tableComplete_ = false;
  uint8_t raw[kLocatorSize];
  if (headerAt < kLocatorSize || file_.Seek(static_cast<int64_t>(headerAt - kLocatorSize)) < 0 ||
      !file_.ReadExact(raw, sizeof raw))
    return;
  const std::optional<TPakLocator> locator = ParseLocator(raw);
  if (!locator) return;
  if ((locator->Required & ~kKnownRequired) != 0) {
    newerTool_ = true;
    return;
  }
  const uint64_t tableEnd = headerAt - kLocatorSize;
  if (locator->TableOffset > tableEnd || locator->TableLength != tableEnd - locator->TableOffset) return;
  Bytes table(static_cast<size_t>(locator->TableLength));
  if (file_.Seek(static_cast<int64_t>(locator->TableOffset)) < 0 ||
      !file_.ReadExact(table.data(), table.size()))
    return;
  if (Crc32(table.data(), table.size()) != locator->TableCRC) return;
  if (locator->Required & kZstdTable) {
    std::optional<Bytes> plain = DecompressTable(table);
    if (!plain) return;
    table = std::move(*plain);
  }
  TParsedTable parsed = ParseExtendedTable(table);
  if (parsed.fault == TTableFault::Newer) newerTool_ = true;
  if (parsed.fault != TTableFault::None) return;
  declaredCount_ = static_cast<uint32_t>(parsed.table.Entries.size());
  dataFiles_.Plan(std::move(parsed.table.Parts), locator->TableOffset);
  blocks_ = std::move(parsed.table.Blocks);
  entries_ = std::move(parsed.table.Entries);
  tableComplete_ = true;
}

void TPak::Close() {
  file_.Close();
  dataFiles_.Close();
  verified_.Clear();
  cachedBlock_.reset();
  cachedContent_.clear();
}

// ---- reading -------------------------------------------------------------------

std::optional<TDataFileFault> TPak::AttachDataFiles(const std::string& stem,
                                                    const TDataFileProgress& progress) {
  return dataFiles_.Attach(stem, progress);
}

uint64_t TPak::PackageEnd() const {
  if (!dataFiles_.Empty()) return dataFiles_.End();
  return static_cast<uint64_t>(std::max<int64_t>(fileSize_, 0));
}

bool TPak::ReadPackageAt(platform::File& file, uint64_t position, uint8_t* into, size_t count) const {
  // By position only: the readers of several workers are handles of one open file.
  if (dataFiles_.Empty() || position + count <= dataFiles_.Start()) return file.ReadAt(position, into, count);
  // The program's own stored bytes end where the data files' begin: its table is not
  // package data.
  const size_t own = position < dataFiles_.Start() ? static_cast<size_t>(dataFiles_.Start() - position) : 0;
  if (own > 0 && !file.ReadAt(position, into, own)) return false;
  return dataFiles_.ReadAt(position + own, into + own, count - own);
}

// Never the name again: what was checked at start-up is what the workers and the
// extraction read, even when a standard user has since renamed the setup in the
// download folder and put another file under its name.
platform::File TPak::OpenReader() const { return file_.Duplicate(); }

platform::Status TPak::ReadStoredInto(platform::File& file, int index, Bytes& buffer) const {
  const auto fail = [](std::string why) { return platform::Status::Failure(std::move(why)); };
  if (!ValidIndex(index)) return fail("no entry " + std::to_string(index));
  const TPakFile& entry = entries_[index];
  const uint64_t length = entry.StoredLength();
  if (length == 0) return fail("no stored bytes");
  if (entry.Offset > PackageEnd() || length > PackageEnd() - entry.Offset)
    return fail("stored bytes lie beyond the end of the file");
  uint8_t* stored = TBlockBuffers::Room(buffer, length);
  if (!ReadPackageAt(file, entry.Offset, stored, static_cast<size_t>(length)))
    return platform::Status::SystemFailure("short read");
  if (Crc32(stored, length) != entry.CRC) return fail("checksum mismatch");
  return platform::Status::Success();
}

platform::Result<Bytes> TPak::ReadStoredThrough(platform::File& file, int index) const {
  Bytes stored;
  const platform::Status read = ReadStoredInto(file, index, stored);
  if (!read) return read;
  return stored;
}

std::optional<Bytes> TPak::ReadStored(int index) { return ReadStoredThrough(file_, index).AsOptional(); }

platform::Status TPak::DecodeBlockThrough(platform::File& file, uint32_t index,
                                          TBlockBuffers& buffers) const {
  const auto fail = [index](const std::string& why) {
    return platform::Status::Failure("block " + std::to_string(index) + ": " + why);
  };
  if (index >= blocks_.size()) return fail("no such block");
  const TPakBlock& block = blocks_[index];
  if (block.Offset > PackageEnd() || block.StoredSize > PackageEnd() - block.Offset)
    return fail("stored bytes lie beyond the end of the file");
  const auto frameSize = static_cast<size_t>(block.StoredSize);
  uint8_t* frame = TBlockBuffers::Room(buffers.frame, frameSize);
  if (!ReadPackageAt(file, block.Offset, frame, frameSize))
    return platform::Status::SystemFailure("short read of block " + std::to_string(index));
  if (Crc32(frame, frameSize) != block.CRC) return fail("checksum mismatch");
  uint64_t length = 0;
  try {
    length = DecompressZstd(frame, frameSize, TBlockBuffers::Room(buffers.content, block.ContentSize),
                            static_cast<size_t>(block.ContentSize));
  } catch (const platform::ESetupError&) {
    return fail("zstd frame rejected");
  }
  if (length != block.ContentSize)
    return fail("decoded length " + std::to_string(length) + " differs from " +
                std::to_string(block.ContentSize));
  return platform::Status::Success();
}

platform::Result<Bytes> TPak::ReadBlockThrough(platform::File& file, uint32_t index) const {
  TBlockBuffers buffers;
  const platform::Status decoded = DecodeBlockThrough(file, index, buffers);
  if (!decoded) return decoded;
  buffers.content.resize(static_cast<size_t>(blocks_[index].ContentSize));
  return std::move(buffers.content);
}

platform::Result<Bytes> TPak::ReadFromBlocksThrough(platform::File& file, int index) const {
  const TPakFile& entry = entries_[index];
  // What the blocks from the entry's on can hold bounds the memory a damaged size takes.
  if (entry.OrigSize > UINT64_MAX - entry.Offset) return platform::Status::Failure("impossible size");
  uint64_t room = 0;
  for (uint32_t block = entry.Block; block < blocks_.size() && room < entry.Offset + entry.OrigSize; ++block)
    room += blocks_[block].ContentSize;
  if (room < entry.Offset + entry.OrigSize)
    return platform::Status::Failure("the entry runs past the last block");
  Bytes content;
  content.reserve(static_cast<size_t>(entry.OrigSize));
  uint64_t at = entry.Offset;  // in the current block's content
  for (uint32_t block = entry.Block; content.size() < entry.OrigSize; ++block, at = 0) {
    if (block >= blocks_.size()) return platform::Status::Failure("the entry runs past the last block");
    platform::Result<Bytes> decoded = ReadBlockThrough(file, block);
    if (!decoded) return decoded;
    const uint64_t n = std::min<uint64_t>(entry.OrigSize - content.size(), decoded->size() - at);
    content.insert(content.end(), decoded->begin() + static_cast<ptrdiff_t>(at),
                   decoded->begin() + static_cast<ptrdiff_t>(at + n));
  }
  if (Crc32(content.data(), content.size()) != entry.CRC)
    return platform::Status::Failure("checksum mismatch");
  return content;
}

TEntryRead TPak::ReadEntryThrough(platform::File& file, int index, bool keepContent) const {
  TEntryRead read;
  if (ValidIndex(index) && entries_[index].InBlocks && entries_[index].OrigSize > 0) {
    platform::Result<Bytes> content = ReadFromBlocksThrough(file, index);
    read.Whole = static_cast<bool>(content);
    if (!content) read.Problem = content.Problem();
    else if (keepContent) read.Content = std::move(*content);
    return read;
  }
  platform::Result<Bytes> stored = ReadStoredThrough(file, index);
  if (!stored) {
    read.Problem = stored.Problem();
    return read;
  }
  const TPakFile& entry = entries_[index];
  if (entry.OrigSize == 0) {
    read.Problem = "empty entry";
    return read;
  }
  read.Whole = true;
  if (entry.CompSize == 0) {
    if (keepContent) read.Content = std::move(*stored);
    return read;
  }
  uint64_t length = entry.OrigSize;
  if (keepContent) {
    TInflated inflated = InflateZlib(stored->data(), stored->size(), entry.OrigSize);
    length = inflated.length;
    if (inflated.ok()) read.Content = std::move(inflated.data);
  } else {
    length = InflatedLength(stored->data(), stored->size());
  }
  if (length != entry.OrigSize) {
    read.Whole = false;
    read.Content.reset();
    read.InflatedLength = length;
    read.Problem = "inflated length " + std::to_string(length) + " differs from OrigSize " +
                   std::to_string(entry.OrigSize);
  }
  return read;
}

std::optional<Bytes> TPak::ReadWithinCachedBlock(int index) {
  const TPakFile& entry = entries_[index];
  if (cachedBlock_ != entry.Block) {
    cachedBlock_.reset();
    platform::Result<Bytes> decoded = ReadBlockThrough(file_, entry.Block);
    if (!decoded) return std::nullopt;
    cachedContent_ = std::move(*decoded);
    cachedBlock_ = entry.Block;
  }
  return std::move(SliceOfBlock(index, cachedContent_).Content);
}

TEntryRead TPak::SliceOfBlock(int index, const Bytes& blockContent) const {
  const TPakFile& entry = entries_[index];
  TEntryRead read;
  if (entry.Offset > blockContent.size() || entry.OrigSize > blockContent.size() - entry.Offset) {
    read.Problem = "the entry runs past its block";
    return read;
  }
  const auto first = blockContent.begin() + static_cast<ptrdiff_t>(entry.Offset);
  Bytes content(first, first + static_cast<ptrdiff_t>(entry.OrigSize));
  if (Crc32(content.data(), content.size()) != entry.CRC) {
    read.Problem = "checksum mismatch";
    return read;
  }
  read.Whole = true;
  read.Content = std::move(content);
  return read;
}

void TPak::ShowLengthMessage(int index, uint64_t inflatedLength) const {
  const TPakFile& entry = entries_[index];
  platform::ShowMessageBox(entry.Name + "\r\rError: DecompSize - " + std::to_string(inflatedLength) +
                               " OrigSize - " + std::to_string(entry.OrigSize),
                           std::string("Error"));
}

std::optional<Bytes> TPak::ReadEntry(int index) {
  if (ValidIndex(index) && entries_[index].InBlocks && entries_[index].OrigSize > 0) {
    const TPakFile& entry = entries_[index];
    const TPakBlock& block = blocks_[entry.Block];
    if (entry.OrigSize <= block.ContentSize - entry.Offset) return ReadWithinCachedBlock(index);
  }
  TEntryRead read = ReadEntryThrough(file_, index, true);
  if (read.InflatedLength) ShowLengthMessage(index, *read.InflatedLength);
  return std::move(read.Content);
}

TFoundEntry TPak::FindEntry(std::string_view name, uint16_t group) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    const TPakFile& entry = entries_[i];
    if (entry.Group == group && platform::SameTextAscii(entry.Name, name))
      return TFoundEntry{ReadEntry(static_cast<int>(i)), entry.OrigSize};
  }
  return {};
}

bool TPak::VerifyEntry(int index) {
  if (!ValidIndex(index)) return false;
  if (entries_[index].IsLarge()) return true;
  return ReadEntry(index).has_value();
}

std::string TPak::DiagnoseEntry(int index) {
  if (ValidIndex(index) && entries_[index].IsLarge()) return {};
  try {
    const TEntryRead read = ReadEntryThrough(file_, index, false);
    if (read.Whole) return {};
    return read.Problem.empty() ? "unreadable" : read.Problem;
  } catch (const platform::ESetupError&) {
    return "zlib stream rejected";
  }
}

// ---- group walks ---------------------------------------------------------------

std::optional<int> TPak::ScanGroup(uint16_t group) {
  for (size_t i = std::max<int32_t>(cursor_, 0); i < entries_.size(); ++i) {
    if (entries_[i].Group == group) {
      cursor_ = static_cast<int32_t>(i) + 1;
      return static_cast<int>(i);
    }
  }
  return std::nullopt;
}

TGroupItem TPak::ItemAt(std::optional<int> index, bool decompress) {
  TGroupItem item;
  if (!index) return item;
  const TPakFile& entry = entries_[*index];
  if (decompress) item.Data = ReadEntry(*index);
  item.Size = entry.OrigSize;
  item.Name = entry.Name;
  return item;
}

TGroupItem TPak::FirstInGroup(uint16_t group, bool decompress) {
  cursor_ = 0;
  return NextInGroup(group, decompress);
}

TGroupItem TPak::NextInGroup(uint16_t group, bool decompress) { return ItemAt(ScanGroup(group), decompress); }

std::optional<int> TPak::FirstIndexInGroup(uint16_t group) {
  cursor_ = 0;
  return ScanGroup(group);
}

std::optional<int> TPak::NextIndexInGroup(uint16_t group) { return ScanGroup(group); }

void TPak::ForEachInGroup(uint16_t group, const std::function<void(int)>& callback) {
  if (!callback) return;
  for (auto index = FirstIndexInGroup(group); index; index = NextIndexInGroup(group)) callback(*index);
}

int TPak::CountGrouped() const {
  return static_cast<int>(
      std::count_if(entries_.begin(), entries_.end(), [](const TPakFile& e) { return e.Group != 0; }));
}

int TPak::CountInGroup(uint16_t group) const {
  return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                        [group](const TPakFile& e) { return e.Group == group; }));
}

TPak& SetupPak() {
  static TPak pak;
  return pak;
}
