// The setup package: the container that travels appended to the setup executable (or
// as a file of its own) and carries everything a setup needs besides the program.
//
// Layout, front to back: the host bytes (or nothing); every entry's stored bytes,
// back to back; the entry table; the 16-byte header at the very end:
//   "ZTPF", Version u16 (1), FileCount u16, PakStart u32 (first entry's position),
//   TableOffset u32 (first table record's position)
// A table record: name (u16 length + 8-bit characters), CRC u32, Offset u32 (file
// position), CompSize u32 (zlib stream length, 0 when stored as it is), OrigSize u32,
// Group u16. All little-endian. The CRC-32 covers the stored bytes.
//
// Entries of 73,400,320 bytes (70 MiB) or more are large: stored as they are, not
// checksummed at verification, and extracted by a chunked copy of 25 MiB pieces.
//
// A package may instead use the extended layout of ZTI_PakExtended.h (64-bit positions,
// zstd solid blocks); TPak reads both and tells which (Extended()).
//
// Nothing read from the file is trusted: records that run past the end of the file
// are dropped (TableComplete() tells), stored bytes outside the file read as missing,
// and inflation never takes more memory than the stream can fill.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/ZTI_PakDataFiles.h"
#include "package/ZTI_VerifiedContents.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Result.h"

class TExtractHooks;

using Bytes = std::vector<uint8_t>;

// What a reader of blocks keeps from one block to the next: the buffers only grow, so
// decoding a block neither clears memory nor maps fresh pages for it (a fifth of the
// start-up check did that).
struct TBlockBuffers {
  Bytes frame;
  Bytes content;

  // Grows a buffer to hold at least length bytes; what it held is left as it is.
  static uint8_t* Room(Bytes& buffer, uint64_t length) {
    if (buffer.size() < length) buffer.resize(static_cast<size_t>(length));
    return buffer.data();
  }
};

// Entries this long or longer are large.
constexpr uint32_t kLargeEntrySize = 73400320;
// The piece size of the chunked copy of a large entry.
constexpr uint32_t kLargeChunkSize = 26214400;
constexpr size_t kSetupHeaderSize = 16;

struct TSetupHeader {
  std::array<char, 4> ID{};
  uint16_t Version = 0;
  uint16_t FileCount = 0;
  uint32_t PakStart = 0;
  uint32_t TableOffset = 0;

  bool IsPackage() const { return std::string_view(ID.data(), 4) == "ZTPF"; }
};

TSetupHeader ParseSetupHeader(const uint8_t* bytes16);

// Reads count bytes at a file position; false when they are not all there.
using TReadAt = std::function<bool(uint64_t position, uint8_t* into, size_t count)>;
// The file position of the 16-byte header: the file's last 16 bytes, or in an
// Authenticode-signed program the 16 bytes before the certificate table and its zero
// padding (when they begin with "ZTPF"). Nothing for a file too short to hold one.
std::optional<int64_t> FindSetupHeader(const TReadAt& read, uint64_t fileSize);
void AppendSetupHeader(Bytes& out, const TSetupHeader& header);

// How an entry's content is stored; the numbers are those of the extended table.
enum class TCompression : uint8_t { Stored = 0, Zlib = 1, ZstdBlocks = 2 };
// "stored", "zlib", "zstd": the names listings show.
const char* CompressionName(TCompression method);

// A solid block of the extended layout: one zstd frame holding the content of several
// small entries of one group back to back, or a piece of one large entry.
struct TPakBlock {
  TCompression Method = TCompression::ZstdBlocks;
  uint64_t Offset = 0;       // package position of the frame
  uint64_t StoredSize = 0;   // the frame's length
  uint64_t ContentSize = 0;  // what it decodes to
  uint32_t CRC = 0;          // CRC-32 of the frame
};

struct TPakFile {
  std::string Name;
  std::string SourceFile;  // only while writing: the file that becomes the entry
  uint32_t CRC = 0;
  uint64_t Offset = 0;  // in blocks: the position in the content of Block
  uint64_t CompSize = 0;
  uint64_t OrigSize = 0;
  uint16_t Group = 0;
  bool InBlocks = false;  // the content lies in zstd blocks from Block on
  uint32_t Block = 0;

  TCompression Method() const {
    return InBlocks ? TCompression::ZstdBlocks : CompSize != 0 ? TCompression::Zlib : TCompression::Stored;
  }
  bool IsLarge() const { return OrigSize >= kLargeEntrySize; }
  // The length of the entry's own stored bytes: the stream's, or the content's when
  // stored as is; none for an entry in blocks.
  uint64_t StoredLength() const {
    if (InBlocks) return 0;
    return (CompSize != 0 || OrigSize == 0) ? CompSize : OrigSize;
  }
  // A large entry whose checksum was recorded (older packers left it 0: unchecked).
  bool LargeAndChecked() const { return IsLarge() && CRC != 0; }
};

// Reads up to count table records from a sequential source (which returns the bytes
// it could read). Stops at the first record that is not complete; complete (when
// given) tells whether all count records were read.
using TByteSource = std::function<size_t(uint8_t* into, size_t count)>;
std::vector<TPakFile> ParseEntryTable(const TByteSource& source, size_t count, bool* complete = nullptr);
void AppendEntryRecord(Bytes& out, const TPakFile& entry);

// An entry name that stays inside the directory it is extracted to: not empty, no
// drive or ":" anywhere, no leading "\" or "/", no component made only of dots
// beyond "." ("..", "...").
bool IsSafeEntryName(std::string_view name);

// One step of a group walk: the entry's content (when asked for and readable), its
// OrigSize and its name. An empty name is the end of the walk.
struct TGroupItem {
  std::optional<Bytes> Data;
  uint64_t Size = 0;
  std::string Name;
};

struct TFoundEntry {
  std::optional<Bytes> Data;
  uint64_t Size = 0;  // the entry's OrigSize; 0 when no entry matched
};

// One entry read through a file handle of the reader's own, so that several threads
// can read entries at once.
struct TEntryRead {
  bool Whole = false;                      // the stored bytes match and inflate to OrigSize
  std::optional<Bytes> Content;            // the content, when it was asked for and read whole
  std::string Problem;                     // why not, when not whole
  std::optional<uint64_t> InflatedLength;  // set when the stream gave another length
};

// An entry's stored form, made apart from any package so that several entries can be
// packed at once: zlib level 9 below the large bound, kept only when it saves at least
// 1% (already compressed content, found by a trial on its first bytes, is not
// compressed at all); otherwise the content as it is. The CRC covers Stored.
struct TPackedContent {
  uint32_t CRC = 0;
  uint64_t CompSize = 0;
  uint64_t OrigSize = 0;
  Bytes Stored;
};
TPackedContent PackContent(const uint8_t* data, size_t length);
// The packed content of a file; nothing for a large file (stored by copying).
// Raises ESetupError naming the file when it cannot be read.
std::optional<TPackedContent> PackSourceFile(const std::string& path);
// Whether deflate saves at least 1% on the content, judged on its first bytes.
bool WorthCompressing(const uint8_t* data, size_t length);

class TPak {
 public:
  TPak() = default;
  TPak(TPak&&) noexcept = default;
  TPak& operator=(TPak&&) noexcept = default;

  // Opens the file. Neither flag: read mode (shared reading; the table is read at
  // once). append: an existing file is opened for writing after its current end, which
  // becomes PakStart. create alone: a new (or emptied) file. Raises ESetupError naming
  // the file when it cannot be opened.
  void Create(const std::string& fileName, bool append, bool create);
  // Reads the header and the table (read mode does this on opening). A file without
  // the "ZTPF" mark, or shorter than the header, opens with an empty table.
  void ReadTable();
  void Close();

  const TSetupHeader& Header() const { return header_; }
  const std::vector<TPakFile>& Entries() const { return entries_; }
  const std::vector<TPakBlock>& Blocks() const { return blocks_; }
  size_t Count() const { return entries_.size(); }
  // The number of entries the package says it holds: the header's FileCount, or the
  // extended table's count.
  uint32_t DeclaredCount() const { return declaredCount_; }
  // False when the table holds fewer complete records than the header's FileCount,
  // or the extended table is damaged.
  bool TableComplete() const { return tableComplete_; }
  // The extended layout (header Version 2) was read.
  bool Extended() const { return extended_; }
  // The package uses a layout, method or feature this program does not know: a newer
  // packaging tool made it. It then opens with an empty table.
  bool MadeByNewerTool() const { return newerTool_; }
  const std::string& FileName() const { return fileName_; }
  // The data files beside the program that hold the package's later positions (none
  // for a package in one file). Reading what lies there needs them attached.
  const std::vector<TPakPart>& DataFileParts() const { return dataFiles_.Parts(); }
  // Opens and checks the data files, named stem + each suffix (the stem is the program
  // file's path without its extension). Nothing when they are all there and whole.
  std::optional<TDataFileFault> AttachDataFiles(const std::string& stem,
                                                const TDataFileProgress& progress = {});
  bool DataFilesAttached() const { return dataFiles_.Empty() || dataFiles_.Attached(); }
  // The package position after its last stored byte: the program file's end, or the
  // last data file's.
  uint64_t PackageEnd() const;
  // Reads count bytes at a package position: the program's through file (a handle on
  // it), the data files' through their checked handles. False when any is missing.
  bool ReadPackageAt(platform::File& file, uint64_t position, uint8_t* into, size_t count) const;
  int32_t Cursor() const { return cursor_; }

  // The stored bytes, when they lie in the file and match the checksum (nothing for
  // an entry in blocks, which has none of its own).
  std::optional<Bytes> ReadStored(int index);
  // A block's content, checked against the block's checksum and length; the fault
  // otherwise. Safe from several threads, each with its own handle.
  platform::Result<Bytes> ReadBlockThrough(platform::File& file, uint32_t block) const;
  // The same into buffers a reader keeps from block to block: its content is the first
  // ContentSize bytes of buffers.content.
  platform::Status DecodeBlockThrough(platform::File& file, uint32_t block, TBlockBuffers& buffers) const;
  // An entry's stored bytes, checked against its checksum, into a buffer that is only
  // grown: its first StoredLength() bytes.
  platform::Status ReadStoredInto(platform::File& file, int index, Bytes& buffer) const;
  // The content (OrigSize bytes), inflated when compressed; nothing for an empty
  // entry or a failed read. An inflated length other than OrigSize shows the
  // message box "Error" and yields nothing; a stream zlib rejects raises "error".
  std::optional<Bytes> ReadEntry(int index);
  // A handle of its own on the package file that was opened and checked (never one
  // opened by name again), for a thread that reads entries with ReadPackageAt.
  platform::File OpenReader() const;
  // Reads an entry through such a handle without changing the package object: safe
  // from several threads at once (each with its own handle) while nothing is written.
  // Without keepContent the stream is inflated only to check its length. Shows
  // nothing; a stream zlib rejects raises "error".
  TEntryRead ReadEntryThrough(platform::File& file, int index, bool keepContent) const;
  // An entry that lies within one block, cut from the block's content and checked.
  TEntryRead SliceOfBlock(int index, const Bytes& blockContent) const;
  // Content start-up verified and keeps for extraction (ExtractGroup takes it from
  // here instead of reading the entry again). Emptied when the package is opened or
  // closed.
  TVerifiedContents& VerifiedContents() { return verified_; }
  // The message box of an inflated length other than OrigSize ("Error").
  void ShowLengthMessage(int index, uint64_t inflatedLength) const;
  // The first entry named so (without regard to case) in the group.
  TFoundEntry FindEntry(std::string_view name, uint16_t group);

  // Group walks share one cursor: never interleave two walks.
  TGroupItem FirstInGroup(uint16_t group, bool decompress);
  TGroupItem NextInGroup(uint16_t group, bool decompress);
  std::optional<int> FirstIndexInGroup(uint16_t group);
  std::optional<int> NextIndexInGroup(uint16_t group);
  void ForEachInGroup(uint16_t group, const std::function<void(int)>& callback);

  // True for a large entry (unread) or one whose content reads back whole.
  bool VerifyEntry(int index);
  // What is wrong with an entry, without showing anything; empty when it reads back
  // whole (large entries are not read).
  std::string DiagnoseEntry(int index);
  // Entries whose group is not 0, and entries of one group.
  int CountGrouped() const;
  int CountInGroup(uint16_t group) const;

  // Writes every entry of the group below directory (directory + "\" + name) through
  // the hooks, in table order: status text 18 with "<%FILENAME%>" (also once more
  // with an empty name at the end), the installed-file record, the file, a gauge
  // step. Raises ESetupError before writing anything when a name of the group would
  // leave the directory, and when an entry's content cannot be read.
  void ExtractGroup(const std::string& directory, uint16_t group, TExtractHooks& hooks);
  // The chunked copy of one large entry to path, through the hooks' WriteLargeFile.
  // Raises ESetupError when the package ends before size bytes; false when the hooks
  // could not write the file.
  bool ExtractLarge(const std::string& path, const std::string& name, uint64_t size, int index,
                    TExtractHooks& hooks);

  // Writing (append or create mode).
  int NewEntry(const std::string& name, const std::string& sourceFile, uint16_t group);
  // Packs the content (zlib level 9 below the large bound, kept only when it is not
  // longer), appends the stored bytes and records Offset. False on failure.
  bool StoreBuffer(int index, const uint8_t* data, size_t length);
  // Appends content packed beforehand and records the entry's numbers and Offset.
  bool StorePacked(int index, const TPackedContent& packed);
  // The same with the entry's SourceFile; a large file is stored as it is, copied in
  // pieces, with CRC 0 (StoreLargeFile). Raises ESetupError when the source cannot be read.
  bool StoreFile(int index);
  bool StoreLargeFile(int index);
  // Appends the table and the header; the package is complete after this. Raises
  // ESetupError for more than 65,535 entries or a name longer than 65,535 bytes.
  bool WriteTable();

  // Writing the extended layout: blocks are appended as they are made, entries in
  // blocks are recorded with AddBlockEntry, the others stored as above; then
  // WriteExtendedTable instead of WriteTable.
  void UseExtendedLayout() { extended_ = true; }
  // The extended table is written as a zstd frame (ZTI_PakTableFrame.h): only readers
  // of zstd packages know it, so zlib packages keep theirs plain.
  void CompressExtendedTable() { compressTable_ = true; }
  std::optional<uint32_t> AppendBlock(const TPakBlock& block, const Bytes& frame);
  bool AddBlockEntry(int index, uint32_t block, uint64_t offset, uint64_t origSize, uint32_t crc);
  // Appends more of an entry stored as it is (StorePacked wrote its first part and
  // recorded its whole OrigSize); the entry must be the last one written.
  bool ExtendStored(int index, const uint8_t* data, size_t length);
  void SetContentChecksum(int index, uint32_t crc) {
    if (ValidIndex(index)) entries_[index].CRC = crc;
  }
  bool WriteExtendedTable();
  // Before WriteExtendedTable: when the program file would pass limit bytes, the
  // stored bytes beyond what it can hold go into data files of at most limit bytes
  // each, written to dataFileName(1), (2) ... (their data files' names are given
  // apart, so that the caller can write them under temporary names). A package that
  // fits stays one file.
  void SplitBeyond(uint64_t limit, std::function<std::string(size_t number)> dataFileName) {
    splitLimit_ = limit;
    dataFileName_ = std::move(dataFileName);
  }

 private:
  bool ValidIndex(int index) const { return index >= 0 && static_cast<size_t>(index) < entries_.size(); }
  std::optional<int> ScanGroup(uint16_t group);
  TGroupItem ItemAt(std::optional<int> index, bool decompress);
  // Reads the stored bytes, or says why they cannot be read.
  platform::Result<Bytes> ReadStoredThrough(platform::File& file, int index) const;
  // The content of an entry in blocks: each block it covers decoded and sliced.
  platform::Result<Bytes> ReadFromBlocksThrough(platform::File& file, int index) const;
  void ReadExtendedTable(uint64_t headerAt);
  std::optional<Bytes> ReadWithinCachedBlock(int index);
  bool AppendStored(TPakFile& entry, const uint8_t* data, size_t length);
  // Moves the stored bytes from the end of the data that the program file cannot hold
  // into data files, last first, cutting the program file behind each: the disk holds
  // the package about once all along. The parts' records; none when it fits.
  std::vector<TPakPart> MoveIntoDataFiles(uint64_t dataEnd, size_t tableLength);
  TPakPart WriteDataFile(const std::string& path, uint64_t from, uint64_t to);
  // The last position an entry may reach: 4 GiB in the first layout.
  int64_t MaxPosition() const;
  // The chunked copy of a large entry in blocks, block by block.
  bool ExtractLargeFromBlocks(const std::string& path, const std::string& name, int index,
                              TExtractHooks& hooks);
  void RefuseUnsafeNames(uint16_t group) const;
  // "Entry "NAME" of package "FILE" " and the problem.
  platform::ESetupError EntryFault(const std::string& name, const std::string& problem) const;
  // One step of ExtractGroup on the writing thread, with the entry as it was read.
  void WriteEntry(const std::string& directory, int index, TEntryRead&& read, const std::exception_ptr& error,
                  TExtractHooks& hooks);

  int32_t base_ = 0;
  int32_t cursor_ = 0;
  platform::File file_;
  std::vector<TPakFile> entries_;
  std::vector<TPakBlock> blocks_;
  TSetupHeader header_;
  uint32_t declaredCount_ = 0;
  // The block ReadEntry decoded last: a group walk reads the entries of one block one
  // after the other.
  std::optional<uint32_t> cachedBlock_;
  Bytes cachedContent_;
  bool extended_ = false;
  bool newerTool_ = false;
  bool compressTable_ = false;
  std::string fileName_;
  int64_t fileSize_ = 0;
  bool tableComplete_ = true;
  TVerifiedContents verified_;
  TPakDataFiles dataFiles_;
  uint64_t splitLimit_ = 0;
  std::function<std::string(size_t number)> dataFileName_;
};

// The program's setup package.
TPak& SetupPak();
