// Updating a game package in place. An update appends the new entries' stored bytes
// where the directory began and writes a new directory, header and trailer after
// them; replaced entries stay behind as dead space, so a package only grows and an
// update costs what its new entries cost. Entries whose stored bytes are already in
// the package (same sizes, same CRC-32) are not written again.
//
// One package is open at a time, from OpenPackage until the directory is written.
// A package that is damaged, a wrong password or a failed write stops the program
// (FatalAppExit); the package is never left half written: a write that fails, or an
// error while entries are added, puts the original directory, header and trailer
// back where the directory began. Before the first byte is written, those original
// bytes and the package's length go to its rollback journal, flushed to the disk, so
// a package whose update was killed is restored from it when it is next opened.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gamedata/SE_RollbackJournal.h"
#include "gamedata/ZT_GroupEntries.h"
#include "gamedata/ZT_PakFormat.h"
#include "platform/Files.h"
#include "platform/Result.h"

// The directory in memory: records in directory order, found by lower-cased name.
class TPakDirectory {
 public:
  void Clear();
  void Add(TPakDirEntry record);
  // The first live record of that lower-cased name, or null.
  TPakDirEntry* Find(const std::string& key);
  void Remove(const std::string& key);  // the one Find gives
  std::vector<const TPakDirEntry*> Records() const;
  size_t Count() const { return live_; }

 private:
  std::vector<TPakDirEntry> records_;
  std::vector<bool> alive_;
  std::unordered_map<std::string, std::deque<size_t>> byName_;
  size_t live_ = 0;
};

// The lower-cased key of an entry name, as the directory list compares names.
std::string PakKey(std::string_view name);

// The stored form of an entry: kind 2 (deflated at level 9, first word scrambled) for
// anything but ".WAV", kind 1 (a sound record) for waves; nothing for a wave that is
// not in the expected layout, which is then left out.
struct TStoredEntry {
  TPakKind kind = TPakKind::Compressed;
  std::vector<uint8_t> bytes;
};
std::optional<TStoredEntry> StoredFormOf(std::string_view name, const std::vector<uint8_t>& content);

class TPakSystem {
 public:
  std::string PackagePassword;
  bool HasPassword = false;
  bool Official = false;
  std::string PackageName;  // as the script names it, for "<%ZTPNAME%>"

  // The script's operations; the package name is relative to the install directory.
  void UpdatePackage(uint16_t group, const std::string& packageName, const std::string& password);
  void SetOfficial(const std::string& packageName, const std::string& marker, const std::string& value);
  void DuplicateEntry(const std::string& packageName, const std::string& sourceName,
                      const std::string& targetName);

  // The same on a full path and any entries (the tools and tests use these).
  void UpdatePackageAt(const std::string& path, const std::string& packageName, const std::string& password,
                       TGroupEntries& entries);
  void SetOfficialAt(const std::string& path, const std::string& packageName, const std::string& marker,
                     const std::string& value);
  void DuplicateEntryAt(const std::string& path, const std::string& packageName,
                        const std::string& sourceName, const std::string& targetName);

  // Entries appended by the last update (unchanged ones are not counted).
  int EntriesWritten() const { return entriesWritten_; }
  // Makes writes fail once the package would grow past `bytes`, as a full disk does.
  void SetWriteLimitForTests(uint64_t bytes) { writeLimit_ = bytes; }
  // Lowers the end of the area that entry offsets can address (4 GiB), so that the
  // refusal to grow past it can be tested without writing 4 GiB.
  void SetOffsetLimitForTests(uint64_t bytes) { offsetLimit_ = bytes; }

 private:
  void OpenForUpdate(const std::string& path);
  void ReadPackage();  // trailer, header and directory; nothing is changed yet
  // False when the stored bytes could not be written.
  bool AddEntry(const std::string& name, uint32_t fullSize, const std::vector<uint8_t>& content);
  void WriteDirectory();
  // False, with the reason in writeProblem_, when the bytes could not be written.
  bool WriteAt(uint64_t offset, const std::vector<uint8_t>& bytes);
  // Journals the original tail once per update, before the first write.
  bool EnsureJournal();
  // The file is flushed (or restored): the journal is deleted or kept by the run.
  void EndJournal();
  bool Restore();
  [[noreturn]] void StopAfterFailedWrite();
  void Finish();

  platform::File file_;
  std::string path_;
  uint64_t directoryOffset_ = 0;
  uint64_t nextWriteOffset_ = 0;
  bool writeFailed_ = false;
  std::string writeProblem_;  // why the last write failed, in the system's words
  TPakDirectory directory_;
  std::vector<uint8_t> originalTail_;  // directory, header and trailer as read
  uint64_t originalSize_ = 0;
  std::unique_ptr<TRollbackJournal> journal_;
  int entriesWritten_ = 0;
  uint64_t writeLimit_ = std::numeric_limits<uint64_t>::max();
  // Records hold 32-bit offsets: stored bytes must end within the first 4 GiB.
  uint64_t offsetLimit_ = std::numeric_limits<uint32_t>::max();
};

// The program's package updater.
TPakSystem& PakSystem();

// The access word that SetOfficial wants (compared lower-cased).
inline constexpr const char* kOfficialAccessWord = "vorpelk";

// Writes an empty package: an empty directory and its header, no trailer.
platform::Status CreateEmptyPackage(const std::string& path);
// Reads a package's layout for inspection (after playing back a hot journal), or says
// what is wrong: the file cannot be read (and why), or its header is damaged.
platform::Result<TPakLayout> ReadPackageFile(const std::string& path);
