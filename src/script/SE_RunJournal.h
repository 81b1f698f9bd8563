// The run journal: the record on disk of every change a setup run makes to the
// machine, written before the change is made, so that a run that fails or is killed
// can be undone newest first. It lives in the game folder's state folder in the
// trusted folder (SE_TrustedState.h), as prefix + "run.journal": the next setup or
// uninstaller of the same installation finds it there, and no user without
// administrator rights can plant or change one (the game folder, where it once lived,
// is often writable by every user, and a journal tells an elevated run what to move
// and delete).
//
// The file is a list of text lines, appended as the run goes:
//   CRC TAB kind TAB field TAB field ... LF
// CRC is the CRC-32 of everything after its tab up to the line feed, as 8 hexadecimal
// digits; in the fields, "\" is written "\\", a tab "\t", a line feed "\n" and a
// carriage return "\r". A line that does not check out (the end of a journal cut off
// by a power loss) ends the journal: it and everything after it are not read.
//
// Kinds and their fields (paths are Windows paths as the run used them):
//   D dir              a directory the run created
//   F file             a file the run created (none was there)
//   T temp             a temporary file beside a target, before it takes its place
//   R file copy keep   a file the run replaced, its original moved to copy; keep 1:
//                      copy is the original kept for the uninstaller, 0: only for
//                      undoing this run
//   K root key         a registry key the run created (root code 0-4)
//   V root key name had old   a registry value the run wrote; had 1: old is the data
//                      it held, 0: it did not exist
//   G file             a game package or archive whose rollback journal the run keeps
//   C                  the run finished: what it did stays (a journal ending in C is
//                      finished by the next start, not undone)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/Result.h"

struct TRunRecord {
  char kind = 0;
  std::vector<std::string> fields;
  const std::string& Field(size_t i) const;  // "" past the end
};

// One line's bytes for the record (with its CRC and line feed).
std::string EncodeRunRecord(const TRunRecord& record);
// The records of a journal's bytes, up to the first line that does not check out.
std::vector<TRunRecord> DecodeRunJournal(const std::string& bytes);

class TRunJournalFile {
 public:
  // Creates (or empties) the journal at path; a failure gives the system's reason.
  platform::Status Create(const std::string& path);
  // Opens the journal at path to append to it after its last whole record (a line cut
  // off at its end is dropped); a failure gives the system's reason.
  platform::Status Continue(const std::string& path);
  bool IsOpen() const { return file_.IsOpen(); }
  const std::string& Path() const { return path_; }
  // Appends the record; with durable, the journal is flushed to the disk before
  // this returns (needed before a change that destroys something). A failure gives
  // the system's reason.
  platform::Status Append(const TRunRecord& record, bool durable);
  // Appends the records in one write; each stands or falls whole, as with Append.
  platform::Status AppendAll(const std::vector<TRunRecord>& records, bool durable);
  // Closes and deletes the journal.
  bool Remove();
  void Close() { file_.Close(); }

 private:
  std::string path_;
  platform::File file_;
  int64_t end_ = 0;  // the end of the last whole record
};

// The records of the journal at path; nothing when there is none.
std::vector<TRunRecord> ReadRunJournal(const std::string& path);
