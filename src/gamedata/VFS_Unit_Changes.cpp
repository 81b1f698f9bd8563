// TVFSFile: the changes of one update, collected, journaled and written (see the
// comment atop VFS_Unit.h).
#include <algorithm>
#include <cstring>

#include "gamedata/SE_GameDataJournals.h"
#include "gamedata/VFS_Unit.h"
#include "platform/Errors.h"

namespace {

constexpr uint64_t kTablePage = 4096;
// Collected pages beyond this are spilled before the update ends.
constexpr size_t kCollectLimit = size_t(32) << 20;

}  // namespace

TVFSFile::TPage TVFSFile::PageAt(uint64_t offset) const {
  const uint64_t b = uint64_t(header_.blockSize);
  const uint64_t dataEnd = dataOffset_ + uint64_t(blocks_.size()) * b;
  if (offset < dataOffset_) {
    const uint64_t start = offset / kTablePage * kTablePage;
    return {start, std::min(kTablePage, dataOffset_ - start), true};
  }
  if (offset < dataEnd) {
    const uint64_t block = (offset - dataOffset_) / b;
    const bool free = block < freeAtStart_.size() && freeAtStart_[size_t(block)];
    return {dataOffset_ + block * b, b, !free};
  }
  return {dataEnd + (offset - dataEnd) / kTablePage * kTablePage, kTablePage, true};
}

bool TVFSFile::WritesThrough(const TPage& page) const {
  return !page.guarded || journaledPages_.count(page.start) > 0;
}

void TVFSFile::BeginUpdate() {
  collected_.clear();
  collectedBytes_ = 0;
  journaledPages_.clear();
  freeBlocksWritten_ = false;
  sizeAtStart_ = uint64_t(std::max<int64_t>(file_.Size(), 0));
  // Within a run that keeps this archive's journal, a rollback goes back to before the
  // run's first update: what was free then is what may be written without a journal.
  std::vector<uint8_t> table(blocks_.size() * 8);
  for (size_t i = 0; i < blocks_.size(); ++i) table[i * 8 + 4] = blocks_[i].next != 0;
  const std::string journal = JournalPathOf(path_);
  if (!table.empty() && platform::FileExists(journal)) {
    if (file_.Seek(int64_t(tableOffset_)) != int64_t(tableOffset_) ||
        !file_.ReadExact(table.data(), table.size()) || !OriginalBytesOf(journal, tableOffset_, table))
      FailWithReason("cannot read the rollback journal " + journal);
  }
  freeAtStart_.assign(blocks_.size(), false);
  for (size_t i = 0; i < blocks_.size(); ++i)
    freeAtStart_[i] = blocks_[i].next == 0 &&
                      std::all_of(&table[i * 8 + 4], &table[i * 8 + 8], [](uint8_t v) { return v == 0; });
}

void TVFSFile::WriteThrough(uint64_t offset, const uint8_t* data, size_t count) {
  if (file_.Seek(static_cast<int64_t>(offset)) < 0 || !file_.WriteAll(data, count))
    FailWithReason("cannot write " + std::to_string(count) + " bytes at offset " + std::to_string(offset));
}

void TVFSFile::Collect(const TPage& page, uint64_t offset, const uint8_t* data, size_t count) {
  auto it = collected_.find(page.start);
  if (it == collected_.end()) {
    // The page starts as the file holds it, so that its untouched bytes stay.
    std::vector<uint8_t> bytes(size_t(page.length), 0);
    const int64_t size = file_.Size();
    if (int64_t(page.start) < size) {
      const size_t present = size_t(std::min<int64_t>(int64_t(page.length), size - int64_t(page.start)));
      if (file_.Seek(int64_t(page.start)) != int64_t(page.start) || !file_.ReadExact(bytes.data(), present))
        FailWithReason("cannot read " + std::to_string(present) + " bytes at offset " +
                       std::to_string(page.start));
    }
    it = collected_.emplace(page.start, std::move(bytes)).first;
    collectedBytes_ += size_t(page.length);
  }
  std::memcpy(it->second.data() + (offset - page.start), data, count);
}

void TVFSFile::OverlayCollected(uint64_t offset, uint8_t* buffer, size_t count) const {
  if (collected_.empty()) return;
  auto it = collected_.upper_bound(offset);
  if (it != collected_.begin()) --it;
  for (const uint64_t end = offset + count; it != collected_.end() && it->first < end; ++it) {
    const uint64_t from = std::max(offset, it->first), to = std::min(end, it->first + it->second.size());
    if (from < to)
      std::memcpy(buffer + (from - offset), it->second.data() + (from - it->first), size_t(to - from));
  }
}

void TVFSFile::WriteAt(uint64_t offset, const void* buffer, size_t count) {
  if (readOnly_) Fail("opened for reading only");
  const auto* data = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    const TPage page = PageAt(offset);
    size_t n = size_t(std::min<uint64_t>(count, page.start + page.length - offset));
    if (!WritesThrough(page)) {
      Collect(page, offset, data, n);
    } else {
      // Neighbouring pages that also go straight to the file go in one write.
      for (TPage next = PageAt(offset + n); n < count && WritesThrough(next) && next.guarded == page.guarded;
           next = PageAt(offset + n))
        n += size_t(std::min<uint64_t>(count - n, next.length));
      // Free blocks get new bytes without a journal, but the journal must say so first:
      // a rollback then computes the digest again.
      if (!page.guarded && !freeBlocksWritten_) {
        freeBlocksWritten_ = true;
        Spill(kJournalFreeBlocksWritten);
      }
      WriteThrough(offset, data, n);
    }
    offset += n;
    data += n;
    count -= n;
  }
  if (collectedBytes_ > kCollectLimit) Spill(0);
}

void TVFSFile::Spill(uint32_t flags, bool withLookupTable) {
  if (!journal_) journal_ = std::make_unique<TRollbackJournal>(path_, TJournalKind::Archive);
  const std::string problem = "cannot write the rollback journal " + journal_->Path();
  if (!journal_->BeginSegment(sizeAtStart_, flags)) FailWithReason(problem);
  std::vector<uint8_t> original;
  for (const auto& [start, bytes] : collected_) {
    // The file still holds every collected page's original.
    const int64_t size = file_.Size();
    if (int64_t(start) >= size) continue;  // beyond the end: the length in the journal covers it
    original.resize(size_t(std::min<int64_t>(int64_t(bytes.size()), size - int64_t(start))));
    if (file_.Seek(int64_t(start)) != int64_t(start) || !file_.ReadExact(original.data(), original.size()))
      FailWithReason("cannot read " + std::to_string(original.size()) + " bytes at offset " +
                     std::to_string(start));
    if (!journal_->AddRange(start, original.data(), original.size())) FailWithReason(problem);
  }
  if (withLookupTable) {
    const std::string table = HashTablePath(path_);
    const size_t separator = table.find_last_of("\\/");
    const auto bytes = platform::FileExists(table) ? platform::ReadWholeFile(table) : std::nullopt;
    if (platform::FileExists(table) && !bytes) FailWithReason("cannot read the lookup table " + table);
    if (!journal_->AddCompanion(table.substr(separator == std::string::npos ? 0 : separator + 1), bytes))
      FailWithReason(problem);
  }
  if (!journal_->Seal()) FailWithReason(problem);
  // Neighbouring pages in one write.
  std::vector<uint8_t> run;
  for (auto it = collected_.begin(); it != collected_.end();) {
    const uint64_t start = it->first;
    run.clear();
    for (; it != collected_.end() && it->first == start + run.size(); ++it) {
      run.insert(run.end(), it->second.begin(), it->second.end());
      journaledPages_.insert(it->first);
    }
    WriteThrough(start, run.data(), run.size());
  }
  collected_.clear();
  collectedBytes_ = 0;
}

void TVFSFile::EndUpdate() {
  if (!file_.Flush()) FailWithReason("cannot flush the archive to the disk");
  if (journal_) EndJournaledUpdate(*journal_);
  journal_.reset();
  BeginUpdate();
}

void TVFSFile::AbandonUpdate() {
  collected_.clear();
  collectedBytes_ = 0;
  if (!journal_) return;
  // Part of the update may be in the file already: outside a run it is undone now;
  // a run that keeps the journal undoes it with the rest, or the next opening does.
  journal_->Close();
  const bool written = journal_->Written();
  journal_.reset();
  file_.Close();
  if (written) RecoverGameFile(path_);
}
