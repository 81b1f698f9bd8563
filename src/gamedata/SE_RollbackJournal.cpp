#include "gamedata/SE_RollbackJournal.h"

#include "gamedata/SE_GameDataJournals.h"
#include "package/ZTI_PakFile.h"
#include "platform/CodePage.h"
#include "platform/LittleEndian.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr char kSegmentMagic[8] = {'S', 'E', 'J', 'S', 'E', 'G', '0', '1'};
constexpr char kSealMagic[8] = {'S', 'E', 'J', 'S', 'E', 'A', 'L', '1'};
constexpr size_t kSegmentHeaderSize = 24;
constexpr size_t kRecordHeaderSize = 20;
constexpr size_t kSealSize = 16;
constexpr size_t kStageSize = 1 << 20;
constexpr size_t kCopyPiece = 1 << 20;
constexpr uint8_t kRecordRange = 1, kRecordCompanion = 2, kRecordNoCompanion = 3;
// No offset or length of a sane file comes near this; a record beyond it is damage.
constexpr uint64_t kOffsetLimit = uint64_t(1) << 48;

using platform::DecodeFixed32;
using platform::DecodeFixed64;
using platform::EncodeFixed32;
using platform::EncodeFixed64;

uint32_t Crc(uint32_t crc, const void* data, size_t count) {
  return uint32_t(crc32(crc, static_cast<const Bytef*>(data), uInt(count)));
}

// The directory part of a Windows path, with its trailing separator.
std::string FolderOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

struct TJournalRecord {
  uint8_t type = 0;
  uint64_t offset = 0;
  std::string name;
  uint64_t dataAt = 0;  // where the data sits in the journal
  uint32_t length = 0;
};

struct TJournalSegment {
  uint32_t flags = 0;
  uint64_t sizeBefore = 0;
  std::vector<TJournalRecord> records;
};

// Reads the journal front to back, checking every segment against its seal.
class TJournalReader {
 public:
  explicit TJournalReader(platform::File& file)
      : file_(file), size_(uint64_t(std::max<int64_t>(file.Size(), 0))) {}

  // The next valid segment, or nothing at the end or at the first damaged one.
  std::optional<TJournalSegment> Next(TJournalKind& kind) {
    const uint64_t start = at_;
    std::optional<TJournalSegment> segment = ReadSegment(kind);
    if (!segment) at_ = start;
    return segment;
  }
  uint64_t Position() const { return at_; }
  uint64_t Size() const { return size_; }

 private:
  bool Take(void* into, size_t count) {
    if (size_ - at_ < count || file_.Seek(int64_t(at_)) != int64_t(at_) || !file_.ReadExact(into, count))
      return false;
    at_ += count;
    crc_ = Crc(crc_, into, count);
    return true;
  }
  bool TakeData(uint32_t length) {  // checked through the CRC, not kept
    std::vector<uint8_t> piece(std::min<size_t>(length, kCopyPiece));
    for (uint32_t done = 0; done < length;) {
      const size_t count = std::min<size_t>(piece.size(), length - done);
      if (!Take(piece.data(), count)) return false;
      done += uint32_t(count);
    }
    return true;
  }
  std::optional<TJournalRecord> ReadRecord() {
    uint8_t raw[kRecordHeaderSize];
    if (!Take(raw, sizeof raw)) return std::nullopt;
    TJournalRecord record;
    record.type = raw[0];
    record.offset = DecodeFixed64(raw + 4);
    const uint32_t nameLength = DecodeFixed32(raw + 12);
    record.length = DecodeFixed32(raw + 16);
    if (record.type < kRecordRange || record.type > kRecordNoCompanion || nameLength > 255 ||
        record.offset > kOffsetLimit || (record.type == kRecordRange) != (nameLength == 0))
      return std::nullopt;
    record.name.resize(nameLength);
    if (!Take(record.name.data(), nameLength)) return std::nullopt;
    record.dataAt = at_;
    if (!TakeData(record.length)) return std::nullopt;
    return record;
  }
  std::optional<TJournalSegment> ReadSegment(TJournalKind& kind) {
    crc_ = Crc(0, nullptr, 0);
    uint8_t head[kSegmentHeaderSize];
    if (!Take(head, sizeof head) || std::memcmp(head, kSegmentMagic, 8) != 0) return std::nullopt;
    TJournalSegment segment;
    kind = TJournalKind(DecodeFixed32(head + 8));
    segment.flags = DecodeFixed32(head + 12);
    segment.sizeBefore = DecodeFixed64(head + 16);
    if (segment.sizeBefore > kOffsetLimit) return std::nullopt;
    for (;;) {
      uint8_t magic[8];
      const uint32_t crcBefore = crc_;
      if (!Take(magic, 8)) return std::nullopt;
      if (std::memcmp(magic, kSealMagic, 8) == 0) {
        uint8_t seal[8];
        if (size_ - at_ < 8 || file_.Seek(int64_t(at_)) != int64_t(at_) || !file_.ReadExact(seal, 8))
          return std::nullopt;
        at_ += 8;
        if (DecodeFixed32(seal) != segment.records.size() || DecodeFixed32(seal + 4) != crcBefore)
          return std::nullopt;
        return segment;
      }
      at_ -= 8;  // not a seal: the start of a record
      crc_ = crcBefore;
      auto record = ReadRecord();
      if (!record) return std::nullopt;
      segment.records.push_back(std::move(*record));
    }
  }

  platform::File& file_;
  uint64_t size_ = 0, at_ = 0;
  uint32_t crc_ = 0;
};

std::vector<TJournalSegment> ReadSegments(platform::File& journal, TJournalContents& contents) {
  TJournalReader reader(journal);
  std::vector<TJournalSegment> segments;
  TJournalKind kind = TJournalKind::Package;
  while (auto segment = reader.Next(kind)) {
    if (segments.empty()) {
      contents.kind = kind;
      contents.originalSize = segment->sizeBefore;
    }
    contents.flags |= segment->flags;
    segments.push_back(std::move(*segment));
  }
  contents.validSegments = int(segments.size());
  contents.validEnd = reader.Position();
  contents.tornTail = reader.Position() < reader.Size();
  return segments;
}

// The journal being played back, and the file it restores.
struct TPlayBack {
  platform::File& journal;
  const std::string& journalPath;
  const std::string& targetPath;
};

platform::Status CopyRange(const TPlayBack& playBack, const TJournalRecord& record, platform::File& target) {
  std::vector<uint8_t> piece(std::min<size_t>(record.length, kCopyPiece));
  for (uint32_t done = 0; done < record.length;) {
    const size_t count = std::min<size_t>(piece.size(), record.length - done);
    const int64_t from = int64_t(record.dataAt + done), to = int64_t(record.offset + done);
    if (playBack.journal.Seek(from) != from || !playBack.journal.ReadExact(piece.data(), count))
      return platform::Status::SystemFailure("cannot read the journal " + playBack.journalPath);
    if (target.Seek(to) != to || !target.WriteAll(piece.data(), count))
      return platform::Status::SystemFailure("cannot write " + playBack.targetPath);
    done += uint32_t(count);
  }
  return platform::Status::Success();
}

platform::Status RestoreCompanion(const TPlayBack& playBack, const TJournalRecord& record) {
  const std::string path = FolderOf(playBack.targetPath) + record.name;
  if (record.type == kRecordNoCompanion) {
    if (platform::FileExists(path) && !platform::DeleteFileAt(path))
      return platform::Status::SystemFailure("cannot delete " + path);
    return platform::Status::Success();
  }
  std::vector<uint8_t> bytes(record.length);
  platform::File& journal = playBack.journal;
  if (journal.Seek(int64_t(record.dataAt)) != int64_t(record.dataAt) ||
      !journal.ReadExact(bytes.data(), bytes.size()))
    return platform::Status::SystemFailure("cannot read the journal " + playBack.journalPath);
  platform::File file = platform::File::Open(path, platform::OpenMode::CreateTruncate);
  if (!file.IsOpen() || !file.WriteAll(bytes.data(), bytes.size()) || !file.Flush())
    return platform::Status::SystemFailure("cannot write " + path);
  return platform::Status::Success();
}

std::string StemOf(const std::string& leaf) { return leaf.substr(0, leaf.rfind('.')); }

// A companion is a file beside the game file that shares its name up to the
// extension ("data.ht" beside "data.vfs"): a bare leaf name, which the entry-name
// check passes, other than the game file and its journal. A journal may sit in a
// folder any user can write; a record naming anything else ("..\..\Windows\x.dll")
// would have an elevated run write or delete there.
bool IsOwnCompanion(const std::string& targetPath, const std::string& name) {
  const std::string leaf = targetPath.substr(FolderOf(targetPath).size());
  if (!IsSafeEntryName(name) || name.find_first_of("\\/") != std::string::npos) return false;
  if (platform::SameTextAscii(name, leaf) || platform::SameTextAscii(name, JournalPathOf(leaf))) return false;
  return platform::SameTextAscii(StemOf(name), StemOf(leaf));
}

// Every record is checked before the first is applied: a refused journal changes nothing.
platform::Status CheckCompanionNames(const TPlayBack& playBack,
                                     const std::vector<TJournalSegment>& segments) {
  for (const TJournalSegment& segment : segments)
    for (const TJournalRecord& record : segment.records)
      if (record.type != kRecordRange && !IsOwnCompanion(playBack.targetPath, record.name))
        return platform::Status::Failure("the rollback journal " + playBack.journalPath + " names \"" +
                                         record.name + "\", which is not a file of " + playBack.targetPath +
                                         "; it was not played back");
  return platform::Status::Success();
}

platform::Status ApplySegments(const TPlayBack& playBack, const std::vector<TJournalSegment>& segments) {
  const std::string& targetPath = playBack.targetPath;
  if (const platform::Status names = CheckCompanionNames(playBack, segments); !names) return names;
  platform::File target = platform::File::Open(targetPath, platform::OpenMode::ReadWrite);
  if (!target.IsOpen())
    return platform::Status::SystemFailure("cannot open " + targetPath + " to restore it");
  for (auto segment = segments.rbegin(); segment != segments.rend(); ++segment) {
    for (auto record = segment->records.rbegin(); record != segment->records.rend(); ++record) {
      const platform::Status done = record->type == kRecordRange ? CopyRange(playBack, *record, target)
                                                                 : RestoreCompanion(playBack, *record);
      if (!done) return done;
    }
    if (target.Seek(int64_t(segment->sizeBefore)) != int64_t(segment->sizeBefore) || !target.SetEndOfFile())
      return platform::Status::SystemFailure("cannot cut " + targetPath + " back to its size");
  }
  if (!target.Flush()) return platform::Status::SystemFailure("cannot flush " + targetPath);
  return platform::Status::Success();
}

}  // namespace

std::string JournalPathOf(const std::string& targetPath) { return targetPath + "-journal"; }

// --- Writing -----------------------------------------------------------------------

TRollbackJournal::TRollbackJournal(std::string targetPath, TJournalKind kind)
    : target_(std::move(targetPath)), path_(JournalPathOf(target_)), kind_(kind) {
  NoteJournalInUse(target_, true);
}

TRollbackJournal::~TRollbackJournal() { NoteJournalInUse(target_, false); }

bool TRollbackJournal::Open() {
  if (file_.IsOpen()) return true;
  if (platform::FileExists(path_)) {
    // Kept by this run: later segments go after the valid ones, a torn rest is cut.
    const TJournalContents contents = InspectJournal(path_);
    file_ = platform::File::Open(path_, platform::OpenMode::ReadWrite);
    if (!file_.IsOpen() || file_.Seek(int64_t(contents.validEnd)) != int64_t(contents.validEnd) ||
        !file_.SetEndOfFile())
      return false;
    sealedAny_ = contents.validSegments > 0;
    return true;
  }
  file_ = platform::File::Open(path_, platform::OpenMode::CreateTruncate);
  return file_.IsOpen();
}

bool TRollbackJournal::FlushStage() {
  const bool ok = stage_.empty() || file_.WriteAll(stage_.data(), stage_.size());
  stage_.clear();
  if (!ok) failed_ = true;
  return ok;
}

bool TRollbackJournal::Stage(const void* data, size_t count) {
  crc_ = Crc(crc_, data, count);
  if (stage_.size() + count > kStageSize && !FlushStage()) return false;
  if (count >= kStageSize) {
    if (file_.WriteAll(data, count)) return true;
    failed_ = true;
    return false;
  }
  const auto* bytes = static_cast<const uint8_t*>(data);
  stage_.insert(stage_.end(), bytes, bytes + count);
  return true;
}

bool TRollbackJournal::Append(const void* data, size_t count) { return !failed_ && Stage(data, count); }

bool TRollbackJournal::BeginSegment(uint64_t sizeBefore, uint32_t flags) {
  if (inSegment_) return true;
  if (!Open()) {
    failed_ = true;
    return false;
  }
  failed_ = false;
  crc_ = Crc(0, nullptr, 0);
  records_ = 0;
  uint8_t head[kSegmentHeaderSize];
  std::memcpy(head, kSegmentMagic, 8);
  EncodeFixed32(head + 8, uint32_t(kind_));
  EncodeFixed32(head + 12, flags);
  EncodeFixed64(head + 16, sizeBefore);
  inSegment_ = true;
  return Append(head, sizeof head);
}

bool TRollbackJournal::AddRange(uint64_t offset, const uint8_t* data, size_t count) {
  for (size_t done = 0; done < count;) {  // records hold 32-bit lengths
    const size_t piece = std::min<size_t>(count - done, 0x40000000);
    uint8_t head[kRecordHeaderSize] = {kRecordRange};
    EncodeFixed64(head + 4, offset + done);
    EncodeFixed32(head + 16, uint32_t(piece));
    if (!Append(head, sizeof head) || !Append(data + done, piece)) return false;
    ++records_;
    done += piece;
  }
  return true;
}

bool TRollbackJournal::AddCompanion(const std::string& leafName,
                                    const std::optional<std::vector<uint8_t>>& original) {
  if (leafName.empty() || leafName.size() > 255 || (original && original->size() > 0xFFFFFFFFu)) {
    failed_ = true;
    return false;
  }
  uint8_t head[kRecordHeaderSize] = {original ? kRecordCompanion : kRecordNoCompanion};
  EncodeFixed32(head + 12, uint32_t(leafName.size()));
  EncodeFixed32(head + 16, original ? uint32_t(original->size()) : 0);
  if (!Append(head, sizeof head) || !Append(leafName.data(), leafName.size())) return false;
  if (original && !Append(original->data(), original->size())) return false;
  ++records_;
  return true;
}

bool TRollbackJournal::Seal() {
  if (!inSegment_ || failed_) return false;
  uint8_t seal[kSealSize];
  std::memcpy(seal, kSealMagic, 8);
  EncodeFixed32(seal + 8, records_);
  EncodeFixed32(seal + 12, crc_);
  inSegment_ = false;
  // The seal goes out with the records; the flush puts all of it on the disk first.
  if (!Append(seal, sizeof seal) || !FlushStage() || !file_.Flush()) return false;
  // A journal just created must also be found after a power cut.
  if (!sealedAny_ && !platform::FlushDirectoryOf(path_)) return false;
  sealedAny_ = true;
  return true;
}

// --- Reading and playback ----------------------------------------------------------

TJournalContents InspectJournal(const std::string& journalPath) {
  TJournalContents contents;
  platform::File journal = platform::File::Open(journalPath, platform::OpenMode::ReadShared);
  if (!journal.IsOpen()) return contents;
  contents.exists = true;
  ReadSegments(journal, contents);
  return contents;
}

bool OriginalBytesOf(const std::string& journalPath, uint64_t offset, std::vector<uint8_t>& bytes) {
  platform::File journal = platform::File::Open(journalPath, platform::OpenMode::ReadShared);
  if (!journal.IsOpen()) return false;
  TJournalContents contents;
  const std::vector<TJournalSegment> segments = ReadSegments(journal, contents);
  const uint64_t end = offset + bytes.size();
  for (auto segment = segments.rbegin(); segment != segments.rend(); ++segment) {
    for (auto record = segment->records.rbegin(); record != segment->records.rend(); ++record) {
      if (record->type != kRecordRange) continue;
      const uint64_t from = std::max(offset, record->offset),
                     to = std::min(end, record->offset + record->length);
      if (from >= to) continue;
      const int64_t at = int64_t(record->dataAt + (from - record->offset));
      if (journal.Seek(at) != at || !journal.ReadExact(bytes.data() + (from - offset), size_t(to - from)))
        return false;
    }
  }
  return true;
}

platform::Status PlayBackJournal(
    const std::string& targetPath,
    const std::function<platform::Status(const TJournalContents&)>& afterRestore) {
  const std::string path = JournalPathOf(targetPath);
  TJournalContents contents;
  std::vector<TJournalSegment> segments;
  {
    platform::File journal = platform::File::Open(path, platform::OpenMode::ReadShared);
    if (!journal.IsOpen()) return platform::Status::Success();  // nothing to play back
    contents.exists = true;
    segments = ReadSegments(journal, contents);
    if (!segments.empty())
      if (platform::Status applied = ApplySegments({journal, path, targetPath}, segments); !applied)
        return applied;
  }
  if (!segments.empty() && afterRestore)
    if (platform::Status finished = afterRestore(contents); !finished) return finished;
  if (!platform::DeleteFileAt(path))
    return platform::Status::SystemFailure("cannot delete the journal " + path);
  return platform::Status::Success();
}
