// Game archives: one file holding a tree of folders and files in fixed-size blocks,
// like a small disk image, with a lookup table (".ht") beside it.
//
//   0    signature[4], i32 block size B, i32 block count N, u32 root slots R,
//        three reserved words, 16-byte MD5 of the file from offset 44 to its end
//   44   i32 information length I (>= 256), I bytes of information
//   48+I i32 blocks in use, N x (u32 in use, i32 next) block links, R x 88-byte root
//        records, then N blocks of B bytes (block n, from 1, at data + (n-1) x B)
//
// A block is free when its next link is 0; -1 ends a chain. A record is 65 bytes of
// name, 3 zero bytes, flags (1 file, 2 folder, +8 compressed), DOS date, first
// block, stored size, full size. A folder's data is its children's records.
// Compressed files are pieces of 50,000 bytes, each a u32 length and a zlib stream.
//
// An update (from Open, or the last Flush, to the next Flush) changes the archive
// atomically: writes to what held something when the update began (header, tables,
// root records, blocks in use) are collected in memory and reach the file only after
// their originals are in the rollback journal ("x.vfs-journal", with the lookup table's
// original), flushed; Flush then writes them, flushes the archive and ends the journal.
// Blocks that were free are written at once: nothing refers to them until the tables
// change, and a rollback only computes the digest again. Collected writes beyond a
// bound are spilled the same way (journal, flush, write) without waiting for Flush.
//
// The archive's capacity is fixed when it is made. Every reader here checks what it
// reads: a chain that loops or leaves the table, folder data that is not whole
// records, or a full archive raises ESetupError naming the archive and the problem.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "gamedata/SE_RollbackJournal.h"
#include "platform/Files.h"
#include "platform/Result.h"

inline constexpr size_t kVFSRecordSize = 88;
inline constexpr size_t kVFSNameMax = 65;
inline constexpr size_t kVFSInfoText = 256;
// The least an archive's header takes: the fixed fields, the shortest information,
// the blocks-in-use count.
inline constexpr size_t kVFSHeaderSize = 48 + kVFSInfoText + 4;
inline constexpr size_t kVFSPieceSize = 50000;
inline constexpr uint32_t kVFSFlagFile = 1;
inline constexpr uint32_t kVFSFlagFolder = 2;
inline constexpr uint32_t kVFSFlagCompressed = 8;

struct TVFSFileInfo {
  std::string name;  // at most 65 characters, no backslash
  uint32_t flags = 0;
  uint32_t date = 0;
  int32_t firstBlock = 0;
  int32_t storedSize = 0;
  int32_t fullSize = 0;

  bool IsFolder() const { return flags & kVFSFlagFolder; }
  bool IsFile() const { return flags & kVFSFlagFile; }
};
void EncodeFileInfo(const TVFSFileInfo& info, uint8_t* out);  // 88 bytes
// Why an archive cannot hold a file stored under that path (as PutFile stores it), or
// nothing: each part it keeps as a record's name holds at most 65 characters, and a
// cut name would never match the file again.
std::optional<std::string> VFSNameFault(std::string_view path);
TVFSFileInfo DecodeFileInfo(const uint8_t* in);

struct TVFSBlockLink {
  uint32_t used = 0;
  int32_t next = 0;  // 0 free, -1 last block of a chain
};

struct TVFSHeader {
  std::array<uint8_t, 4> signature{};
  int32_t blockSize = 0;
  int32_t blockCount = 0;
  uint32_t rootCount = 0;
  uint32_t reserved1 = 0, reserved2 = 0;
  int32_t reserved3 = 0;
  std::array<uint8_t, 16> digest{};
  int32_t infoLength = kVFSInfoText;
  std::array<uint8_t, kVFSInfoText> info{};
  std::vector<uint8_t> moreInfo;  // I - 256 bytes
  int32_t blocksInUse = 0;

  uint64_t TableOffset() const { return 52 + uint64_t(infoLength); }
};

// One node of the folder tree.
struct TTreeFileInfo {
  int32_t index = -1;  // own position, -1 when free
  std::string path;    // components joined by "\"
  TVFSFileInfo info;
  std::vector<int32_t> children;  // -1 marks a removed child
  int32_t parent = -1;
  uint32_t slot = kNoRootSlot;  // root table slot of a root node

  static constexpr uint32_t kNoRootSlot = 0xFFFFFFFF;
};

// The lookup key of a file: "folder\sub/name" (backslashes inside the folder part, a
// slash before the name) or the bare name at the root, hashed as h = h * 65599 + c.
uint32_t PathHash(std::string_view path, std::string_view name);
uint32_t HashKey(std::string_view key);

struct TVFSHashRecord {
  uint32_t hash = 0;
  uint32_t flags = 0;
  int32_t storedSize = 0;
  int32_t fullSize = 0;
  int32_t firstBlock = 0;
  uint8_t unique = 1;
};
inline constexpr size_t kVFSHashRecordSize = 21;

// The lookup table from the files' records, in the order given: sorted by hash; when
// several files share a hash the first one's record stays, marked not unique.
std::vector<TVFSHashRecord> BuildHashRecords(const std::vector<TVFSHashRecord>& files);
std::vector<uint8_t> EncodeHashTable(const std::vector<TVFSHashRecord>& records);
std::optional<std::vector<TVFSHashRecord>> DecodeHashTable(std::span<const uint8_t> bytes);
// "x.vfs" -> "x.ht"; a name without extension gets ".ht" appended.
std::string HashTablePath(const std::string& archivePath);

class TVFSFile;

// The lookup table as a file beside the archive, kept as it was read.
class TVFSHashFile {
 public:
  explicit TVFSHashFile(TVFSFile& owner) : owner_(owner) {}
  void Load();
  void Save();
  void Clear() { records_.clear(); }
  bool Loaded() const { return loaded_; }
  const std::vector<TVFSHashRecord>& Records() const { return records_; }

 private:
  TVFSFile& owner_;
  std::vector<TVFSHashRecord> records_;
  bool loaded_ = false;
};

// The folder tree over the root records and every loaded folder's contents.
class TVFSTree {
 public:
  explicit TVFSTree(TVFSFile& owner) : owner_(owner) {}

  // Stores a file under its path inside the archive, creating missing folders and
  // replacing a file of the same path. Returns the file's node.
  int32_t PutFile(std::string_view path, const uint8_t* data, size_t length);
  int32_t CreateNewFileDir(int32_t parent, std::string_view name, uint32_t date, int32_t fullSize,
                           int32_t storedSize, int32_t firstBlock, bool write, uint32_t flags);
  int32_t FindPath(std::string_view path) const;
  int32_t FindChild(int32_t parent, std::string_view name) const;
  void DeletePath(std::string_view path, bool childFlag);
  // Rebuilds the ".ht" file from every file of the tree.
  void BuildHashTable();
  // The file's bytes, inflated when stored compressed.
  std::vector<uint8_t> ReadFileData(int32_t node);

  const std::vector<TTreeFileInfo>& Nodes() const { return nodes_; }
  void Clear();

 private:
  friend class TVFSFile;
  int32_t NewNode();
  void FreeNode(int32_t node);
  void IndexPath(int32_t node);
  void UnindexPath(int32_t node);
  int32_t AddRootNode(uint32_t slot, const TVFSFileInfo& info);
  int32_t AddChildNode(int32_t parent, const TVFSFileInfo& info);
  void LoadFolders();
  void DeleteItem(int32_t node, bool childFlag);
  void WriteNodeRecord(int32_t node);
  void RewriteParent(int32_t parent);
  void StoreFileData(int32_t node, const uint8_t* data, size_t length,
                     const std::optional<std::vector<uint8_t>>& compressed);
  int32_t StoreFile(std::string_view path, const uint8_t* data, size_t length);
  int32_t CreateFolders(int32_t parent, std::string_view components);
  int32_t EnsureFolders(std::string_view folderPart);
  void CheckRoom(std::string_view folderPart, std::string_view fileName, size_t storedSize);

  TVFSFile& owner_;
  std::vector<TTreeFileInfo> nodes_;
  std::set<int32_t> freeNodes_;  // reused lowest first
  // Lower-cased path -> live nodes of that path, lowest index first.
  std::unordered_map<std::string, std::vector<int32_t>> byPath_;
};

// The free blocks of an archive as ranges, so that taking the lowest ones and giving
// blocks back cost the same however full the archive is.
class TVFSFreeBlocks {
 public:
  void Clear() {
    ranges_.clear();
    count_ = 0;
  }
  void Release(int32_t block);  // the block must not be free already
  // The `count` lowest free blocks in ascending order; the caller checks Count().
  std::vector<int32_t> TakeLowest(int32_t count);
  int64_t Count() const { return count_; }

 private:
  std::map<int32_t, int32_t> ranges_;  // first block -> last block
  int64_t count_ = 0;
};

// Compresses a file's bytes as the archive stores them, or nothing when the pieces
// with their length words would be longer than the file.
std::optional<std::vector<uint8_t>> InternalCompressFile(const uint8_t* data, size_t length);

class TVFSFile {
 public:
  using Progress = std::function<void(int64_t position, int64_t total)>;

  TVFSFile();
  ~TVFSFile();
  TVFSFile(const TVFSFile&) = delete;
  TVFSFile& operator=(const TVFSFile&) = delete;

  // Opens an existing archive for reading and writing; raises ESetupError when it
  // cannot be opened or is damaged. With fullTree every folder is loaded and Flush
  // rebuilds the lookup table; without, the table file is loaded and written back.
  // readOnly (for inspection) opens the file shared and refuses every write.
  void Open(const std::string& path, bool fullTree, Progress progress = {}, bool readOnly = false);
  // Writes the header with a fresh digest (or zeros) and the lookup table.
  void Flush(bool zeroDigest);
  void Close();
  bool IsOpen() const { return file_.IsOpen(); }

  // Writes a new empty archive (every block free) and flushes it with its digest.
  static void Create(const std::string& path, int32_t blockSize, int32_t blockCount, uint32_t rootCount,
                     std::string_view info);

  // Writes data as a new chain and sets info's first block, stored size and date.
  void WriteFile(TVFSFileInfo& info, const uint8_t* data, size_t length);
  // MD5 of the file from offset 44 to its end, read in 256 KiB pieces.
  std::array<uint8_t, 16> ComputeDigest();
  // The blocks of a chain up to its end mark; raises when it loops, leaves the table
  // or runs into a free block.
  std::vector<int32_t> ChainOf(int32_t firstBlock, std::string_view what) const;
  // The first storedSize bytes of a chain; raises when the chain is shorter.
  std::vector<uint8_t> ReadChain(int32_t firstBlock, int64_t storedSize, std::string_view what);

  const std::string& Path() const { return path_; }
  const TVFSHeader& Header() const { return header_; }
  const std::vector<TVFSBlockLink>& Blocks() const { return blocks_; }
  const std::vector<TVFSFileInfo>& RootTable() const { return roots_; }
  TVFSTree& Tree() { return tree_; }
  TVFSHashFile& HashFile() { return hash_; }
  bool FullTree() const { return fullTree_; }
  bool ReadError() const { return readError_; }
  int64_t FreeBlockCount() const { return free_.Count(); }

  // Raises ESetupError with "Archive <path>: <problem>".
  [[noreturn]] void Fail(const std::string& problem) const;
  // The same for a system call that just failed, with the system's reason after it.
  [[noreturn]] void FailWithReason(const std::string& problem) const;
  // A condition the player can act on (the archive is full, the file is no archive):
  // raises EGameDataRefusal (SE_GameDataRefusal.h) with "Archive <path>: <problem>", which ends a
  // setup run as failed, undone, without an error report.
  [[noreturn]] void Refuse(const std::string& problem) const;

 private:
  friend class TVFSTree;
  void ReadHeader();
  void ReadTables(const Progress& progress);
  void WriteLink(int32_t block, const TVFSBlockLink& link);
  // Changed links are written when no batch is open; a batch (one PutFile) writes
  // each changed link once, neighbours together, when it ends.
  void MarkLinks(const std::vector<int32_t>& blocks);
  void WriteDirtyLinks();
  void BeginLinkBatch();
  void EndLinkBatch();
  void WriteChainData(const std::vector<int32_t>& chain, const uint8_t* data, size_t length);
  void OverwriteChain(TVFSFileInfo& info, const uint8_t* data, size_t length);
  void FreeChain(const TVFSFileInfo& info);
  void WriteRootRecord(uint32_t slot, const TVFSFileInfo& info);
  int32_t FreeRootSlot() const;
  int32_t BlocksFor(int64_t storedSize) const;
  void ReadAt(uint64_t offset, void* buffer, size_t count);
  void WriteAt(uint64_t offset, const void* buffer, size_t count);

  // The update's changes (VFS_Unit_Changes.cpp). A page is a piece of the file that is
  // journaled whole: 4 KiB of the header and tables, or one block.
  struct TPage {
    uint64_t start = 0, length = 0;
    bool guarded = false;  // held something when the update began: journal first
  };
  TPage PageAt(uint64_t offset) const;
  bool WritesThrough(const TPage& page) const;
  void BeginUpdate();
  void WriteThrough(uint64_t offset, const uint8_t* data, size_t count);
  void Collect(const TPage& page, uint64_t offset, const uint8_t* data, size_t count);
  void OverlayCollected(uint64_t offset, uint8_t* buffer, size_t count) const;
  // Journals the collected pages (and the lookup table's original when asked), seals
  // the journal, then writes the pages.
  void Spill(uint32_t flags, bool withLookupTable = false);
  void EndUpdate();
  void AbandonUpdate();
  void SaveLookupTable();

  platform::File file_;
  std::string path_;
  TVFSHeader header_;
  bool readError_ = false;
  int64_t bytesRead_ = 0;
  uint64_t tableOffset_ = 0, rootOffset_ = 0, dataOffset_ = 0;
  std::vector<TVFSBlockLink> blocks_;  // blocks_[n - 1] is block n
  std::vector<TVFSFileInfo> roots_;
  TVFSFreeBlocks free_;
  std::vector<int32_t> dirtyLinks_;
  int linkBatches_ = 0;
  TVFSTree tree_;
  TVFSHashFile hash_;
  bool fullTree_ = false;
  bool readOnly_ = false;

  std::map<uint64_t, std::vector<uint8_t>> collected_;  // page start -> new bytes
  size_t collectedBytes_ = 0;
  std::set<uint64_t> journaledPages_;  // written through: their originals are journaled
  std::vector<bool> freeAtStart_;      // per block, free in the state a rollback gives
  uint64_t sizeAtStart_ = 0;
  bool freeBlocksWritten_ = false;
  std::unique_ptr<TRollbackJournal> journal_;
};

// What is wrong with an archive: its digest, every block chain (in the table, no
// loops, no block in two chains, none in use that no chain holds), the blocks-in-use
// count and the lookup table against a rebuild. One line per finding; none when all
// agree.
std::vector<std::string> VerifyArchive(const std::string& path);

// Computes an archive's digest again and writes it to its header, unless the header
// holds none (zeros). A failure says what could not be read or written, and why.
platform::Status RefreshArchiveDigest(const std::string& path);

// Today as a DOS date with time 00:00:00.
uint32_t VFSToday();
