// The rollback journal of one game package or archive: what an in-place change is about
// to destroy, kept in "<file>-journal" beside the file until the change is safely on
// the disk. The order is always: journal the originals, seal and flush the journal,
// change the file, flush the file, delete the journal. A journal found later is hot
// and is played back, which leaves the file as it was before the change.
//
// The journal is a sequence of segments; one update writes one or more (an archive
// update that spills writes one per spill), and the updates of one setup run may
// append theirs to the same journal. Little-endian throughout:
//
//   segment  "SEJSEG01", u32 kind (1 package, 2 archive), u32 flags,
//            u64 size of the file when the segment was written, records, seal
//   record   u8 type, 3 zero bytes, u64 offset, u32 name length, u32 data length,
//            name, data
//              type 1: data = the file's original bytes at offset
//              type 2: data = the whole original companion file (name = its leaf name)
//              type 3: the companion file (name) did not exist
//   seal     "SEJSEAL1", u32 record count, u32 CRC-32 of the segment up to the seal
//
// The file is changed only after a segment's seal is on the disk, so a segment
// without a valid seal (the program was killed while writing it) protects nothing
// and is ignored with everything after it: a torn journal is harmless. Playback
// applies the valid segments newest first, each one's records newest first, then
// cuts the file to that segment's size, so the oldest original wins.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/Result.h"

enum class TJournalKind : uint32_t { Package = 1, Archive = 2 };

// Segment flag: blocks that were free were written without being journaled, so the
// archive's digest must be computed again after playback.
inline constexpr uint32_t kJournalFreeBlocksWritten = 1;

// "C:\Game\data.ztp" -> "C:\Game\data.ztp-journal".
std::string JournalPathOf(const std::string& targetPath);

// Writes the journal of one target. A writer appends to an existing journal (a run
// that keeps its journals), after cutting off any torn segment at its end.
class TRollbackJournal {
 public:
  TRollbackJournal(std::string targetPath, TJournalKind kind);
  ~TRollbackJournal();
  TRollbackJournal(const TRollbackJournal&) = delete;
  TRollbackJournal& operator=(const TRollbackJournal&) = delete;

  // Starts a segment; sizeBefore is the target's size before any change the segment
  // protects. False when the journal cannot be created.
  bool BeginSegment(uint64_t sizeBefore, uint32_t flags = 0);
  bool InSegment() const { return inSegment_; }
  // The original bytes of a range about to be overwritten or cut off.
  bool AddRange(uint64_t offset, const uint8_t* data, size_t count);
  // The original of a companion file beside the target (nothing: it did not exist).
  bool AddCompanion(const std::string& leafName, const std::optional<std::vector<uint8_t>>& original);
  // Writes the seal and flushes the journal to the disk. Only after true may the
  // target be changed.
  bool Seal();
  // True once any segment was sealed: the journal on disk protects something.
  bool Written() const { return sealedAny_; }
  // Closes the journal file (it stays on the disk).
  void Close() { file_.Close(); }
  const std::string& Path() const { return path_; }
  const std::string& TargetPath() const { return target_; }

 private:
  bool Open();
  bool Append(const void* data, size_t count);
  bool Stage(const void* data, size_t count);
  bool FlushStage();

  std::string target_, path_;
  TJournalKind kind_;
  platform::File file_;
  std::vector<uint8_t> stage_;
  uint32_t crc_ = 0, records_ = 0;
  bool inSegment_ = false, sealedAny_ = false, failed_ = false;
};

// What a journal on disk holds, as far as it is valid.
struct TJournalContents {
  bool exists = false;
  int validSegments = 0;
  bool tornTail = false;  // bytes after the last valid segment were ignored
  uint64_t validEnd = 0;  // where the valid segments end
  TJournalKind kind = TJournalKind::Package;
  uint32_t flags = 0;         // of all valid segments together
  uint64_t originalSize = 0;  // the first segment's size
};
TJournalContents InspectJournal(const std::string& journalPath);

// What the region [offset, offset + bytes.size()) of the target held before the
// journal's first change: bytes holds the current content and gets the journaled
// originals laid over it. False when the journal cannot be read.
bool OriginalBytesOf(const std::string& journalPath, uint64_t offset, std::vector<uint8_t>& bytes);

// Plays the journal of targetPath back and deletes it. afterRestore runs once the
// file holds its original bytes and before the journal goes (an archive computes its
// digest again there). A journal without a valid segment is deleted without touching
// the file. A failure says why the file could not be restored: the journal then
// stays, hot, for another try.
platform::Status PlayBackJournal(
    const std::string& targetPath,
    const std::function<platform::Status(const TJournalContents&)>& afterRestore = {});
