// The stamps of the files an add-on made (the game did not have them), so that its
// uninstaller deletes such a file only while it is still what the add-on wrote, and a
// later installation can tell whether another add-on, the game or the player wrote
// over it since. Thousands of files are one record, "~made" in the add-on's backup
// folder, read once and written once per run:
//   made files 1
//   <size> <digest><tab><folded path>     one line per file (script/SE_FileStamp.h)
// A file with no line (made by an older setup, or a record that was refused) behaves
// as it always did: it goes with the add-on.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

#include "platform/Result.h"
#include "script/SE_FileStamp.h"

class TMadeFileStamps {
 public:
  // The stamp of the file of the folded path (letter case aside); a path holding a
  // line break is not kept (the record could not carry it).
  void Set(const std::string& foldedPath, const TFileStamp& stamp);
  void Erase(const std::string& foldedPath);
  std::optional<TFileStamp> Find(const std::string& foldedPath) const;
  size_t Count() const { return stamps_.size(); }

  std::string Serialize() const;
  // A failure says what is wrong and on which line: a record that is not wholly
  // readable is refused whole.
  static platform::Result<TMadeFileStamps> Parse(std::string_view text);

 private:
  struct TEntry {
    std::string foldedPath;
    TFileStamp stamp;
  };
  std::map<std::string, TEntry> stamps_;  // by the lower-cased folded path
};

// Where the add-on whose backup folder this is keeps the record.
std::string MadeFileStampsPath(const std::string& backupFolder);
// No record is no stamp; one larger than any add-on makes (kMaxMadeFileRecord bytes) or
// damaged is refused with a failure that names the file and the problem.
inline constexpr size_t kMaxMadeFileRecord = size_t(256) << 20;
platform::Result<TMadeFileStamps> MadeFileStampsOf(const std::string& backupFolder);
