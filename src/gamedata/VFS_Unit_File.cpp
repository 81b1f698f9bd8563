// TVFSFile: opening an archive, its block table and chains, the header and digest.
#include <algorithm>
#include <cstring>

#include "gamedata/SE_GameDataJournals.h"
#include "gamedata/SE_GameDataRefusal.h"
#include "gamedata/VFS_Unit.h"
#include "gamedata/ZT_PakFormat.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/LittleEndian.h"
#include "platform/Md5.h"
#include "platform/SystemInfo.h"
#include "script/SE_Progress.h"

namespace {

constexpr size_t kDigestPiece = 262144;

}  // namespace

uint32_t VFSToday() {
  const platform::LocalDate today = platform::Today();
  return DosDate(today.year, today.month, today.day);
}

void EncodeFileInfo(const TVFSFileInfo& info, uint8_t* out) {
  std::memset(out, 0, kVFSRecordSize);
  std::memcpy(out, info.name.data(), std::min(info.name.size(), kVFSNameMax));
  platform::EncodeFixed32(out + 68, info.flags);
  platform::EncodeFixed32(out + 72, info.date);
  platform::EncodeFixed32(out + 76, static_cast<uint32_t>(info.firstBlock));
  platform::EncodeFixed32(out + 80, static_cast<uint32_t>(info.storedSize));
  platform::EncodeFixed32(out + 84, static_cast<uint32_t>(info.fullSize));
}

TVFSFileInfo DecodeFileInfo(const uint8_t* in) {
  TVFSFileInfo info;
  const auto* end = static_cast<const uint8_t*>(std::memchr(in, 0, kVFSNameMax));
  info.name.assign(reinterpret_cast<const char*>(in), end ? size_t(end - in) : kVFSNameMax);
  info.flags = platform::DecodeFixed32(in + 68);
  info.date = platform::DecodeFixed32(in + 72);
  info.firstBlock = static_cast<int32_t>(platform::DecodeFixed32(in + 76));
  info.storedSize = static_cast<int32_t>(platform::DecodeFixed32(in + 80));
  info.fullSize = static_cast<int32_t>(platform::DecodeFixed32(in + 84));
  return info;
}

TVFSFile::TVFSFile() : tree_(*this), hash_(*this) {}
TVFSFile::~TVFSFile() { Close(); }

void TVFSFile::Fail(const std::string& problem) const {
  throw platform::ESetupError("Archive " + path_ + ": " + problem);
}

void TVFSFile::Refuse(const std::string& problem) const {
  throw EGameDataRefusal("Archive " + path_ + ": " + problem);
}

void TVFSFile::FailWithReason(const std::string& problem) const {
  Fail(problem + ": " + platform::LastErrorText());
}

void TVFSFile::ReadAt(uint64_t offset, void* buffer, size_t count) {
  if (file_.Seek(static_cast<int64_t>(offset)) < 0 || !file_.ReadExact(buffer, count)) {
    readError_ = true;
    FailWithReason("cannot read " + std::to_string(count) + " bytes at offset " + std::to_string(offset));
  }
  OverlayCollected(offset, static_cast<uint8_t*>(buffer), count);
  bytesRead_ += static_cast<int64_t>(count);
}

void TVFSFile::ReadHeader() {
  uint8_t fixed[48];
  ReadAt(0, fixed, sizeof fixed);
  TVFSHeader& h = header_;
  std::memcpy(h.signature.data(), fixed, 4);
  h.blockSize = static_cast<int32_t>(platform::DecodeFixed32(fixed + 4));
  h.blockCount = static_cast<int32_t>(platform::DecodeFixed32(fixed + 8));
  h.rootCount = platform::DecodeFixed32(fixed + 12);
  h.reserved1 = platform::DecodeFixed32(fixed + 16);
  h.reserved2 = platform::DecodeFixed32(fixed + 20);
  h.reserved3 = static_cast<int32_t>(platform::DecodeFixed32(fixed + 24));
  std::memcpy(h.digest.data(), fixed + 28, 16);
  h.infoLength = static_cast<int32_t>(platform::DecodeFixed32(fixed + 44));
  const int64_t size = file_.Size();
  if (h.blockSize <= 0 || h.blockCount < 0 || h.infoLength < int32_t(kVFSInfoText))
    Refuse("damaged header (block size " + std::to_string(h.blockSize) + ", block count " +
           std::to_string(h.blockCount) + ", information length " + std::to_string(h.infoLength) + ")");
  const uint64_t tablesEnd =
      h.TableOffset() + uint64_t(h.blockCount) * 8 + uint64_t(h.rootCount) * kVFSRecordSize;
  if (tablesEnd > uint64_t(size)) Refuse("file is shorter than its block and root tables");
  ReadAt(48, h.info.data(), kVFSInfoText);
  h.moreInfo.assign(size_t(h.infoLength) - kVFSInfoText, 0);
  if (!h.moreInfo.empty()) ReadAt(48 + kVFSInfoText, h.moreInfo.data(), h.moreInfo.size());
  uint8_t inUse[4];
  ReadAt(48 + uint64_t(h.infoLength), inUse, 4);
  h.blocksInUse = static_cast<int32_t>(platform::DecodeFixed32(inUse));
}

void TVFSFile::ReadTables(const Progress& progress) {
  const int64_t total = int64_t(header_.rootCount) + header_.blockCount;
  if (progress) progress(0, total);
  tableOffset_ = header_.TableOffset();
  std::vector<uint8_t> raw(size_t(header_.blockCount) * 8);
  if (!raw.empty()) ReadAt(tableOffset_, raw.data(), raw.size());
  blocks_.resize(size_t(header_.blockCount));
  free_.Clear();
  for (size_t i = 0; i < blocks_.size(); ++i) {
    blocks_[i] = {platform::DecodeFixed32(&raw[i * 8]),
                  static_cast<int32_t>(platform::DecodeFixed32(&raw[i * 8 + 4]))};
    if (blocks_[i].next == 0) free_.Release(int32_t(i) + 1);
  }
  if (progress) progress(header_.blockCount, total);
  rootOffset_ = tableOffset_ + raw.size();
  raw.assign(size_t(header_.rootCount) * kVFSRecordSize, 0);
  if (!raw.empty()) ReadAt(rootOffset_, raw.data(), raw.size());
  roots_.resize(header_.rootCount);
  tree_.Clear();
  for (uint32_t slot = 0; slot < header_.rootCount; ++slot) {
    roots_[slot] = DecodeFileInfo(&raw[size_t(slot) * kVFSRecordSize]);
    if (!roots_[slot].name.empty()) tree_.AddRootNode(slot, roots_[slot]);
  }
  if (progress) progress(total, total);
  dataOffset_ = rootOffset_ + raw.size();
}

void TVFSFile::Open(const std::string& path, bool fullTree, Progress progress, bool readOnly) {
  Close();
  path_ = path;
  readOnly_ = readOnly;
  readError_ = false;
  bytesRead_ = 0;
  fullTree_ = fullTree;
  if (progress) progress(0, 100);
  const TGameFileRecovery recovered = RecoverGameFile(path);
  if (recovered.recovery == TRecovery::Failed) throw platform::ESetupError(recovered.note);
  if (recovered.recovery != TRecovery::Nothing) SetStatusText(platform::AnsiToWide(recovered.note));
  file_ =
      platform::File::Open(path, readOnly ? platform::OpenMode::ReadShared : platform::OpenMode::ReadWrite);
  if (!file_.IsOpen()) FailWithReason(readOnly ? "cannot be opened" : "cannot be opened for writing");
  try {
    ReadHeader();
    ReadTables(progress);
    if (fullTree) tree_.LoadFolders();
    else hash_.Load();
    if (!readOnly) BeginUpdate();
  } catch (...) {
    Close();
    throw;
  }
}

void TVFSFile::Close() {
  AbandonUpdate();
  dirtyLinks_.clear();
  linkBatches_ = 0;
  tree_.Clear();
  hash_.Clear();
  blocks_.clear();
  roots_.clear();
  header_.moreInfo.clear();
  file_.Close();
}

int32_t TVFSFile::BlocksFor(int64_t storedSize) const {
  const int64_t b = header_.blockSize;
  return static_cast<int32_t>(std::max<int64_t>(1, (storedSize + b - 1) / b));
}

std::vector<int32_t> TVFSFile::ChainOf(int32_t firstBlock, std::string_view what) const {
  std::vector<int32_t> chain;
  for (int32_t block = firstBlock;;) {
    if (block < 1 || block > header_.blockCount)
      Fail("the block chain of '" + std::string(what) + "' points to block " + std::to_string(block) +
           ", outside the table of " + std::to_string(header_.blockCount));
    const TVFSBlockLink& link = blocks_[size_t(block) - 1];
    if (link.next == 0)
      Fail("the block chain of '" + std::string(what) + "' runs into free block " + std::to_string(block));
    if (chain.size() >= blocks_.size()) Fail("the block chain of '" + std::string(what) + "' loops");
    chain.push_back(block);
    if (link.next == -1) return chain;
    block = link.next;
  }
}

std::vector<uint8_t> TVFSFile::ReadChain(int32_t firstBlock, int64_t storedSize, std::string_view what) {
  if (storedSize < 0 || storedSize > file_.Size())
    Fail("'" + std::string(what) + "' claims " + std::to_string(storedSize) +
         " bytes, more than the archive holds");
  const std::vector<int32_t> chain = ChainOf(firstBlock, what);
  const size_t b = size_t(header_.blockSize);
  if (uint64_t(storedSize) > uint64_t(chain.size()) * b)
    Fail("the block chain of '" + std::string(what) + "' is shorter than its size " +
         std::to_string(storedSize));
  std::vector<uint8_t> data(static_cast<size_t>(storedSize));
  // Neighbouring blocks are read in one go.
  for (size_t i = 0, done = 0; done < data.size();) {
    size_t j = i;
    while (j + 1 < chain.size() && chain[j + 1] == chain[j] + 1 && (j + 1 - i) * b < data.size() - done) ++j;
    const size_t count = std::min(data.size() - done, (j - i + 1) * b);
    ReadAt(dataOffset_ + uint64_t(chain[i] - 1) * b, data.data() + done, count);
    done += count;
    i = j + 1;
  }
  return data;
}

void TVFSFreeBlocks::Release(int32_t block) {
  auto next = ranges_.upper_bound(block);
  const bool joinsNext = next != ranges_.end() && next->first == block + 1;
  if (next != ranges_.begin()) {
    auto previous = std::prev(next);
    if (previous->second + 1 == block) {
      previous->second = joinsNext ? next->second : block;
      if (joinsNext) ranges_.erase(next);
      ++count_;
      return;
    }
  }
  const int32_t last = joinsNext ? next->second : block;
  if (joinsNext) ranges_.erase(next);
  ranges_.emplace(block, last);
  ++count_;
}

std::vector<int32_t> TVFSFreeBlocks::TakeLowest(int32_t count) {
  std::vector<int32_t> blocks;
  blocks.reserve(size_t(std::max(count, 0)));
  while (int32_t(blocks.size()) < count && !ranges_.empty()) {
    auto first = ranges_.begin();
    const int32_t start = first->first, last = first->second;
    const int32_t take = std::min<int32_t>(last - start + 1, count - int32_t(blocks.size()));
    for (int32_t b = start; b < start + take; ++b) blocks.push_back(b);
    ranges_.erase(first);
    if (start + take <= last) ranges_.emplace(start + take, last);
    count_ -= take;
  }
  return blocks;
}

void TVFSFile::WriteLink(int32_t block, const TVFSBlockLink& link) {
  if (block < 1 || block > header_.blockCount) Fail("write to block " + std::to_string(block) + " refused");
  blocks_[size_t(block) - 1] = link;
  MarkLinks({block});
}

void TVFSFile::MarkLinks(const std::vector<int32_t>& blocks) {
  dirtyLinks_.insert(dirtyLinks_.end(), blocks.begin(), blocks.end());
  if (linkBatches_ == 0) WriteDirtyLinks();
}

void TVFSFile::WriteDirtyLinks() {
  std::sort(dirtyLinks_.begin(), dirtyLinks_.end());
  dirtyLinks_.erase(std::unique(dirtyLinks_.begin(), dirtyLinks_.end()), dirtyLinks_.end());
  std::vector<uint8_t> raw;
  for (size_t i = 0; i < dirtyLinks_.size();) {  // links of neighbouring blocks in one write
    size_t j = i;
    while (j + 1 < dirtyLinks_.size() && dirtyLinks_[j + 1] == dirtyLinks_[j] + 1) ++j;
    raw.clear();
    for (size_t k = i; k <= j; ++k) {
      platform::PutFixed32(raw, blocks_[size_t(dirtyLinks_[k]) - 1].used);
      platform::PutFixed32(raw, static_cast<uint32_t>(blocks_[size_t(dirtyLinks_[k]) - 1].next));
    }
    WriteAt(tableOffset_ + uint64_t(dirtyLinks_[i] - 1) * 8, raw.data(), raw.size());
    i = j + 1;
  }
  dirtyLinks_.clear();
}

void TVFSFile::BeginLinkBatch() { ++linkBatches_; }

void TVFSFile::EndLinkBatch() {
  if (linkBatches_ > 0 && --linkBatches_ == 0) WriteDirtyLinks();
}

void TVFSFile::WriteChainData(const std::vector<int32_t>& chain, const uint8_t* data, size_t length) {
  const size_t b = size_t(header_.blockSize);
  std::vector<uint8_t> run;
  for (size_t i = 0; i < chain.size();) {  // neighbouring blocks in one write
    size_t j = i;
    while (j + 1 < chain.size() && chain[j + 1] == chain[j] + 1) ++j;
    const size_t from = std::min(length, i * b), to = std::min(length, (j + 1) * b);
    const size_t span = (j - i + 1) * b;
    const uint64_t at = dataOffset_ + uint64_t(chain[i] - 1) * b;
    // Whole blocks straight from the data; the chain's last block padded with zeros.
    const size_t whole = (to - from) / b * b;
    if (whole > 0) WriteAt(at, data + from, whole);
    if (whole < span) {
      run.assign(span - whole, 0);
      // An empty file's data may be no pointer at all: copy only what there is.
      if (to - from > whole) std::memcpy(run.data(), data + from + whole, to - from - whole);
      WriteAt(at + whole, run.data(), run.size());
    }
    i = j + 1;
  }
}

void TVFSFile::WriteFile(TVFSFileInfo& info, const uint8_t* data, size_t length) {
  platform::Check(!(data && length == 0), "WriteFile: Error Buffer is Assigned but size is 0", "VFS_Unit",
                  __LINE__);
  const int32_t needed = BlocksFor(int64_t(length));
  if (needed > free_.Count())
    Refuse("no free block left for '" + info.name + "' (" + std::to_string(needed) + " needed, " +
           std::to_string(free_.Count()) + " free)");
  // A new chain takes the lowest free blocks in order, each linked to the next.
  const std::vector<int32_t> chain = free_.TakeLowest(needed);
  for (size_t i = 0; i < chain.size(); ++i)
    blocks_[size_t(chain[i]) - 1] = {1, i + 1 < chain.size() ? chain[i + 1] : -1};
  MarkLinks(chain);
  WriteChainData(chain, data, length);
  info.firstBlock = chain.front();
  info.storedSize = static_cast<int32_t>(length);
  info.date = VFSToday();
  header_.blocksInUse += needed;
}

void TVFSFile::OverwriteChain(TVFSFileInfo& info, const uint8_t* data, size_t length) {
  info.date = VFSToday();
  std::vector<int32_t> chain = ChainOf(info.firstBlock, info.name);
  chain.resize(std::min<size_t>(chain.size(), size_t(BlocksFor(int64_t(length)))));
  WriteChainData(chain, data, length);
}

void TVFSFile::FreeChain(const TVFSFileInfo& info) {
  if (info.firstBlock == 0) return;  // a record that never got a block
  const std::vector<int32_t> chain = ChainOf(info.firstBlock, info.name);
  for (int32_t block : chain) {
    blocks_[size_t(block) - 1] = {};
    --header_.blocksInUse;
    free_.Release(block);
  }
  MarkLinks(chain);
}

void TVFSFile::WriteRootRecord(uint32_t slot, const TVFSFileInfo& info) {
  if (slot >= roots_.size()) Fail("root slot " + std::to_string(slot) + " is outside the table");
  roots_[slot] = info;
  uint8_t raw[kVFSRecordSize];
  EncodeFileInfo(info, raw);
  WriteAt(rootOffset_ + uint64_t(slot) * kVFSRecordSize, raw, sizeof raw);
}

int32_t TVFSFile::FreeRootSlot() const {
  for (size_t slot = 0; slot < roots_.size(); ++slot)
    if (roots_[slot].name.empty()) return static_cast<int32_t>(slot);
  return -1;
}

std::array<uint8_t, 16> TVFSFile::ComputeDigest() {
  platform::Md5 md5;
  std::vector<uint8_t> piece(kDigestPiece);
  const int64_t size = file_.Size();
  for (int64_t at = 44; at < size;) {
    const size_t count = size_t(std::min<int64_t>(int64_t(piece.size()), size - at));
    ReadAt(uint64_t(at), piece.data(), count);
    md5.Update(piece.data(), count);
    at += int64_t(count);
  }
  return md5.Finish();
}

void TVFSFile::Flush(bool zeroDigest) {
  std::vector<uint8_t> raw;
  platform::PutFixed32(raw, static_cast<uint32_t>(header_.infoLength));
  raw.insert(raw.end(), header_.info.begin(), header_.info.end());
  raw.insert(raw.end(), header_.moreInfo.begin(), header_.moreInfo.end());
  platform::PutFixed32(raw, static_cast<uint32_t>(header_.blocksInUse));
  WriteAt(44, raw.data(), raw.size());
  if (zeroDigest) header_.digest.fill(0);
  else header_.digest = ComputeDigest();
  raw.clear();
  raw.insert(raw.end(), header_.signature.begin(), header_.signature.end());
  for (uint32_t v : {uint32_t(header_.blockSize), uint32_t(header_.blockCount), header_.rootCount,
                     header_.reserved1, header_.reserved2, uint32_t(header_.reserved3)})
    platform::PutFixed32(raw, v);
  raw.insert(raw.end(), header_.digest.begin(), header_.digest.end());
  WriteAt(0, raw.data(), raw.size());
  // Everything collected, and the lookup table's original, into the journal; then the
  // archive and the table are written and flushed, and the journal is done.
  Spill(0, true);
  if (fullTree_) tree_.BuildHashTable();
  else hash_.Save();
  EndUpdate();
}

void TVFSFile::Create(const std::string& path, int32_t blockSize, int32_t blockCount, uint32_t rootCount,
                      std::string_view info) {
  if (blockSize <= 0 || blockCount <= 0 || info.size() > kVFSInfoText)
    throw platform::ESetupError("Archive " + path + ": invalid size parameters");
  // A journal left by an earlier file of that name must never be played onto this one.
  const std::string journal = JournalPathOf(path);
  if (platform::FileExists(journal) && !platform::DeleteFileAt(journal))
    platform::RaiseSystemError("Archive " + path + ": cannot delete the old journal " + journal);
  {
    platform::File file = platform::File::Open(path, platform::OpenMode::CreateTruncate);
    if (!file.IsOpen()) platform::RaiseSystemError("Archive " + path + ": cannot be created");
    std::vector<uint8_t> head(52 + kVFSInfoText, 0);
    platform::EncodeFixed32(&head[4], uint32_t(blockSize));
    platform::EncodeFixed32(&head[8], uint32_t(blockCount));
    platform::EncodeFixed32(&head[12], rootCount);
    platform::EncodeFixed32(&head[44], kVFSInfoText);
    std::memcpy(&head[48], info.data(), info.size());
    // The tables and the data area are zeros: every block free, every root slot empty.
    const uint64_t size = head.size() + uint64_t(blockCount) * 8 + uint64_t(rootCount) * kVFSRecordSize +
                          uint64_t(blockCount) * uint64_t(blockSize);
    if (!file.WriteAll(head.data(), head.size()) || file.Seek(int64_t(size)) < 0 || !file.SetEndOfFile())
      platform::RaiseSystemError("Archive " + path + ": cannot be written");
  }
  TVFSFile archive;
  archive.Open(path, true);
  archive.Flush(false);
}

platform::Status RefreshArchiveDigest(const std::string& path) {
  platform::File file = platform::File::Open(path, platform::OpenMode::ReadWrite);
  if (!file.IsOpen()) return platform::Status::SystemFailure("cannot open " + path);
  std::array<uint8_t, 16> stored{};
  if (file.Seek(28) != 28 || !file.ReadExact(stored.data(), stored.size()))
    return platform::Status::SystemFailure("cannot read the digest of " + path);
  if (stored == std::array<uint8_t, 16>{}) return platform::Status::Success();
  platform::Md5 md5;
  std::vector<uint8_t> piece(kDigestPiece);
  const int64_t size = file.Size();
  for (int64_t at = 44; at < size;) {
    const size_t count = size_t(std::min<int64_t>(int64_t(piece.size()), size - at));
    if (file.Seek(at) != at || !file.ReadExact(piece.data(), count))
      return platform::Status::SystemFailure("cannot read " + path);
    md5.Update(piece.data(), count);
    at += int64_t(count);
  }
  const std::array<uint8_t, 16> digest = md5.Finish();
  if (file.Seek(28) != 28 || !file.WriteAll(digest.data(), digest.size()) || !file.Flush())
    return platform::Status::SystemFailure("cannot write the digest of " + path);
  return platform::Status::Success();
}
