#include "gamedata/ZT_PakSystem.h"

#include <zlib.h>

#include <random>

#include "gamedata/BRQX_Encryption.h"
#include "gamedata/SE_GameDataJournals.h"
#include "gamedata/ZT_PakSound.h"
#include "gamedata/ZT_UpdateTexts.h"
#include "platform/CodePage.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/SystemInfo.h"
#include "script/SE_Progress.h"

namespace {

uint32_t TodayDos() {
  const platform::LocalDate today = platform::Today();
  return DosDate(today.year, today.month, today.day);
}

uint8_t RandomSeed() {
  static std::mt19937 engine{std::random_device{}()};
  return static_cast<uint8_t>(std::uniform_int_distribution<int>(2, 6)(engine));
}

uint32_t Crc(const std::vector<uint8_t>& bytes) {
  return static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size())));
}

// The extension from the last "." of the last path component, upper-cased.
std::string UpperExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  const size_t separator = name.find_last_of("\\/:");
  if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator)) return {};
  return platform::AsciiUpper(name.substr(dot));
}

}  // namespace

std::string PakKey(std::string_view name) { return platform::AnsiLower(name); }

TPakSystem& PakSystem() {
  static TPakSystem system;
  return system;
}

// --- TPakDirectory -------------------------------------------------------------

void TPakDirectory::Clear() {
  records_.clear();
  alive_.clear();
  byName_.clear();
  live_ = 0;
}

void TPakDirectory::Add(TPakDirEntry record) {
  byName_[PakKey(record.name)].push_back(records_.size());
  records_.push_back(std::move(record));
  alive_.push_back(true);
  ++live_;
}

TPakDirEntry* TPakDirectory::Find(const std::string& key) {
  auto it = byName_.find(key);
  return it == byName_.end() ? nullptr : &records_[it->second.front()];
}

void TPakDirectory::Remove(const std::string& key) {
  auto it = byName_.find(key);
  if (it == byName_.end()) return;
  alive_[it->second.front()] = false;
  --live_;
  it->second.pop_front();
  if (it->second.empty()) byName_.erase(it);
}

std::vector<const TPakDirEntry*> TPakDirectory::Records() const {
  std::vector<const TPakDirEntry*> list;
  list.reserve(live_);
  for (size_t i = 0; i < records_.size(); ++i)
    if (alive_[i]) list.push_back(&records_[i]);
  return list;
}

// --- Stored form -----------------------------------------------------------------

std::optional<TStoredEntry> StoredFormOf(std::string_view name, const std::vector<uint8_t>& content) {
  TStoredEntry stored;
  if (UpperExtension(name) == ".WAV") {
    auto sound = ConvertWave(name, content.data(), content.size());
    if (!sound) return std::nullopt;
    stored.kind = TPakKind::Sound;
    stored.bytes = std::move(*sound);
    return stored;
  }
  uLongf length = compressBound(static_cast<uLong>(content.size()));
  stored.bytes.resize(length);
  if (compress2(stored.bytes.data(), &length, content.data(), static_cast<uLong>(content.size()), 9) != Z_OK)
    throw platform::ESetupError("Cannot compress " + std::string(name));
  stored.bytes.resize(length);
  ScrambleEntry(stored.bytes.data(), stored.bytes.size());
  return stored;
}

// --- Opening ---------------------------------------------------------------------

namespace {
// Plays back a hot journal before the package is used; a package that cannot be
// restored is not usable.
void RecoverPackage(const std::string& path) {
  const TGameFileRecovery recovered = RecoverGameFile(path);
  if (recovered.recovery == TRecovery::Failed) platform::FatalAppExit(recovered.note);
  if (recovered.recovery != TRecovery::Nothing) SetStatusText(platform::AnsiToWide(recovered.note));
}
}  // namespace

void TPakSystem::OpenForUpdate(const std::string& path) {
  RecoverPackage(path);
  for (;;) {
    std::string message;
    if (platform::FileExists(path) && platform::IsReadOnly(path) && !platform::SetReadOnly(path, false))
      message = "Unable to modify \"" + path + "\" attributes";
    if (message.empty()) {
      file_ = platform::File::Open(path, platform::OpenMode::ReadWrite);
      if (file_.IsOpen()) return;
      message = platform::FileExists(path) ? "Unable to modify file:\"" + path +
                                                 "\", file may be in use or drive is write protected..."
                                           : "File not found: \"" + path + "\".";
    }
    if (platform::ShowMessageBox(message, "Error", platform::MessageButtons::RetryCancel,
                                 platform::MessageIcon::Warning) != platform::MessageResult::Retry)
      platform::FatalStop("", platform::kExitCancelled);
  }
}

void TPakSystem::ReadPackage() {
  const int64_t size = file_.Size();
  auto layout =
      ReadPackageLayout(uint64_t(std::max<int64_t>(size, 0)), [this](uint64_t at, uint8_t* into, size_t n) {
        return file_.Seek(int64_t(at)) == int64_t(at) && file_.ReadExact(into, n);
      });
  if (!layout) {
    file_.Close();
    platform::FatalAppExit("File " + path_ + " has corrupted header.");
  }
  // Each package speaks for itself: one without trailer has no password and is not
  // official, whatever the package before it had.
  PackagePassword = layout->trailer.password;
  HasPassword = !PackagePassword.empty();
  Official = layout->trailer.official;
  directoryOffset_ = nextWriteOffset_ = layout->directoryOffset;
  originalSize_ = uint64_t(size);
  originalTail_.assign(size_t(uint64_t(size) - directoryOffset_), 0);
  if (file_.Seek(int64_t(directoryOffset_)) < 0 ||
      !file_.ReadExact(originalTail_.data(), originalTail_.size())) {
    file_.Close();
    platform::FatalAppExit("File " + path_ + " has corrupted header.");
  }
  directory_.Clear();
  for (TPakDirEntry& entry : layout->entries) directory_.Add(std::move(entry));
}

// --- Writing ---------------------------------------------------------------------

bool TPakSystem::EnsureJournal() {
  if (journal_) return true;
  // An update only writes from where the directory began: the bytes from there to
  // the end and the length are all it can destroy.
  journal_ = std::make_unique<TRollbackJournal>(path_, TJournalKind::Package);
  return journal_->BeginSegment(originalSize_) &&
         journal_->AddRange(directoryOffset_, originalTail_.data(), originalTail_.size()) && journal_->Seal();
}

void TPakSystem::EndJournal() {
  if (journal_) EndJournaledUpdate(*journal_);
  journal_.reset();
}

bool TPakSystem::WriteAt(uint64_t offset, const std::vector<uint8_t>& bytes) {
  if (offset + bytes.size() > writeLimit_) {
    writeProblem_ = "the write limit set for a test was reached";
    return false;
  }
  if (EnsureJournal() && file_.Seek(int64_t(offset)) == int64_t(offset) &&
      file_.WriteAll(bytes.data(), bytes.size()))
    return true;
  writeProblem_ = platform::LastErrorText();
  return false;
}

bool TPakSystem::AddEntry(const std::string& name, uint32_t fullSize, const std::vector<uint8_t>& content) {
  auto stored = StoredFormOf(name, content);
  if (!stored) return true;
  const std::string key = PakKey(name);
  const TPakDirEntry* old = directory_.Find(key);
  // Bytes this update wrote count as well: the same file twice in a group is written once.
  if (old && old->storedSize == stored->bytes.size() && old->fullSize == fullSize &&
      uint64_t{old->offset} + old->storedSize <= nextWriteOffset_) {
    std::vector<uint8_t> before(old->storedSize);
    if (file_.Seek(old->offset) == int64_t{old->offset} && file_.ReadExact(before.data(), before.size()) &&
        Crc(before) == Crc(stored->bytes))
      return true;  // unchanged: the old record, date included, stays
  }
  // Past 4 GiB a record's offset would wrap and point at other data: refuse instead
  // (the update is then undone like any other failed one).
  if (nextWriteOffset_ + stored->bytes.size() > offsetLimit_)
    throw platform::ESetupError("Cannot add " + name + " to " + path_ +
                                ": the package would grow past the 4 GiB its entries can address");
  if (!WriteAt(nextWriteOffset_, stored->bytes)) return false;
  TPakDirEntry record;
  record.kind = static_cast<uint8_t>(stored->kind);
  record.date = TodayDos();
  record.storedSize = static_cast<uint32_t>(stored->bytes.size());
  record.fullSize = fullSize;
  record.offset = static_cast<uint32_t>(nextWriteOffset_);
  // A replaced entry keeps the name as the package spelled it, and moves to the end.
  record.name = old ? old->name : name.substr(0, kPakNameMax);
  nextWriteOffset_ += stored->bytes.size();
  if (old) directory_.Remove(key);
  directory_.Add(std::move(record));
  ++entriesWritten_;
  return true;
}

void TPakSystem::WriteDirectory() {
  TPakHeader header;
  std::vector<uint8_t> tail = EncodeDirectory(directory_.Records(), header);
  const std::vector<uint8_t> rawHeader = EncodeHeader(header);
  tail.insert(tail.end(), rawHeader.begin(), rawHeader.end());
  const std::vector<uint8_t> trailer = EncodeTrailer(PackagePassword, Official, RandomSeed(), RandomSeed());
  tail.insert(tail.end(), trailer.begin(), trailer.end());
  writeFailed_ = !WriteAt(nextWriteOffset_, tail);
  if (!writeFailed_ && (!file_.SetEndOfFile() || !file_.Flush())) {
    writeFailed_ = true;
    writeProblem_ = platform::LastErrorText();
  }
  if (writeFailed_) StopAfterFailedWrite();
  file_.Close();
  EndJournal();
}

bool TPakSystem::Restore() {
  if (!journal_) return true;  // nothing was written
  // Cutting first gives back the space the new entries took.
  const bool restored = file_.Seek(int64_t(directoryOffset_)) == int64_t(directoryOffset_) &&
                        file_.SetEndOfFile() && file_.WriteAll(originalTail_.data(), originalTail_.size()) &&
                        file_.SetEndOfFile() && file_.Flush();
  // Restored, the journal has done its work; otherwise it stays, hot, for the next start.
  if (restored) EndJournal();
  return restored;
}

void TPakSystem::StopAfterFailedWrite() {
  const std::string reason = writeProblem_.empty() ? std::string() : "\r(" + writeProblem_ + ")";
  const bool restored = Restore();
  file_.Close();
  Finish();
  if (restored)
    platform::FatalAppExit("Disk full, " + path_ +
                           " was restored as it was before the update. Free some disk space and try again." +
                           reason);
  if (journal_ && journal_->Written())
    platform::FatalAppExit("Disk full, " + path_ +
                           " could not be restored now; its rollback journal restores it " +
                           "when it is next opened. Free some disk space and try again." + reason);
  platform::FatalAppExit("Disk full, " + path_ + " is lost. Restore it from backup and try again. ");
}

void TPakSystem::Finish() {
  directory_.Clear();
  originalTail_.clear();
  directoryOffset_ = nextWriteOffset_ = originalSize_ = 0;
  file_.Close();
  // A journal still here protects a package that could not be restored: it stays hot.
  if (journal_) journal_->Close();
  journal_.reset();
}

// --- Tools -----------------------------------------------------------------------

platform::Status CreateEmptyPackage(const std::string& path) {
  // A journal left by an earlier file of that name must never be played onto this one.
  const std::string journal = JournalPathOf(path);
  if (platform::FileExists(journal) && !platform::DeleteFileAt(journal))
    return platform::Status::SystemFailure("cannot delete the old journal " + journal);
  TPakHeader header;
  std::vector<uint8_t> bytes = EncodeDirectory({}, header);
  const std::vector<uint8_t> rawHeader = EncodeHeader(header);
  bytes.insert(bytes.end(), rawHeader.begin(), rawHeader.end());
  if (!platform::WriteFileBytes(path, bytes.data(), bytes.size()))
    return platform::Status::SystemFailure("cannot write " + path);
  return platform::Status::Success();
}

platform::Result<TPakLayout> ReadPackageFile(const std::string& path) {
  if (const TGameFileRecovery recovered = RecoverGameFile(path); recovered.recovery == TRecovery::Failed)
    return platform::Status::Failure(recovered.note);
  platform::File file = platform::File::Open(path, platform::OpenMode::ReadShared);
  if (!file.IsOpen()) return platform::Status::SystemFailure("cannot open " + path);
  const int64_t size = file.Size();
  if (size < 0) return platform::Status::SystemFailure("cannot read " + path);
  // The layout is read from inside the file's size: a read that fails is the
  // system's refusal (with its reason), not a damaged header.
  std::optional<platform::Status> readFailure;
  auto layout = ReadPackageLayout(uint64_t(size), [&](uint64_t at, uint8_t* into, size_t n) {
    if (file.Seek(int64_t(at)) == int64_t(at) && file.ReadExact(into, n)) return true;
    readFailure = platform::Status::SystemFailure("cannot read " + path);
    return false;
  });
  if (layout) return std::move(*layout);
  if (readFailure) return *readFailure;
  return platform::Status::Failure("File " + path + " has corrupted header.");
}
