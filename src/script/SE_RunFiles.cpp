#include "script/SE_RunFiles.h"

#include <optional>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_PathVariables.h"
#include "script/SE_RunChanges.h"
#include "script/SE_SetAside.h"
#include "script/SE_TextHelpers.h"
#include "script/SE_WrittenRecords.h"

namespace {

// Names tried for a temporary beside a target before the write gives up: a folder
// does not hold this many leftovers, but a name that always "exists" (a device name
// such as "nul.txt" on Windows) would otherwise be counted up for ever.
constexpr int kTemporaryNameTries = 100;

// A name beside the target that nothing uses yet; nothing when every one tried is taken.
std::optional<std::string> TemporaryBeside(const std::string& path) {
  for (int n = 0; n < kTemporaryNameTries; ++n) {
    const std::string temp = path + ".~new" + (n ? std::to_string(n) : std::string());
    if (!platform::PathExists(temp)) return temp;
  }
  return std::nullopt;
}

// The content must be on the disk before the original is moved aside for it.
bool FlushFileAt(const std::string& path) {
  platform::File file = platform::File::Open(path, platform::OpenMode::ReadWrite);
  return file.IsOpen() && file.Flush();
}

struct TOriginalCopy {
  std::string path;
  bool keep = false;
};

// Where a run sets aside the original an earlier run kept, when a newer one takes
// its place.
std::string KeptOriginalAside(const std::string& kept, const std::string& backups) {
  return MirrorPath(backups + "\\~run", CollapseVariables(std::string_view(kept)));
}

// The original kept by an earlier run goes to the run's undo folder (and comes back
// if the run is undone). False (nothing moved) when it cannot be moved.
bool SetKeptOriginalAside(TSetupRun& run, const std::string& kept, const std::string& aside) {
  MakeDirectoriesOfRun(ExtractFileDir(aside));
  if (platform::FileExists(aside)) platform::DeleteFileAt(aside);  // a stale undo copy
  run.Note({'R', {kept, aside, "0"}}, true);
  return platform::RenameFile(kept, aside);
}

// The original kept by an earlier run goes to the add-on that wrote over the file
// right after this one did (its copy, this one's version, is set aside for the run):
// with this one going to the top, that add-on now sits on what this one had found.
// False (nothing changed) when it cannot be moved.
bool HandKeptOriginalOn(TSetupRun& run, const std::string& kept, const std::string& copyAbove,
                        const std::string& backups) {
  const std::string copyAside = KeptOriginalAside(copyAbove, backups);
  if (!SetKeptOriginalAside(run, copyAbove, copyAside)) return false;
  run.Note({'R', {kept, copyAbove, "0"}}, true);
  if (platform::RenameFile(kept, copyAbove)) return true;
  // The other add-on's copy goes back, journalled too: an undo of the run takes the
  // moves back newest first and ends with the copy in its place as well.
  run.Note({'R', {copyAside, copyAbove, "0"}}, true);
  platform::RenameFile(copyAside, copyAbove);
  return false;
}

// An add-on installed again over a file it had replaced before, which is no longer
// what it wrote then: another add-on wrote over it since, or the game or the player
// changed it. The file in place becomes its original, and the one kept before goes to
// the add-on right above it, or, with none (an update took the file out of the
// add-ons' hands), is stale and goes. False when the kept one could not be moved.
bool ComeToTheTop(TSetupRun& run, const std::string& path, const std::string& kept,
                  const std::string& backups) {
  const std::string folded = CollapseVariables(std::string_view(path));
  if (const auto above = CopyOfWhatTheRunWrote(run, folded))
    return HandKeptOriginalOn(run, kept, *above, backups);
  return SetKeptOriginalAside(run, kept, KeptOriginalAside(kept, backups));
}

// An add-on installed again over a file it made before, which is no longer what it
// wrote then: the file in place becomes its original, and the add-on right above it,
// whose copy is this one's version, now sits on a file nobody had: its copy is set
// aside for the run. False when the copy could not be moved.
bool ComeToTheTopOfAFileItMade(TSetupRun& run, const std::string& path, const std::string& backups) {
  const auto above = CopyOfWhatTheRunWrote(run, CollapseVariables(std::string_view(path)));
  return !above || SetKeptOriginalAside(run, *above, KeptOriginalAside(*above, backups));
}

// Where the original of a replaced file goes: into the backup folder, unless that
// already holds one for the path (kept by an earlier run of this setup) or the file
// is this setup's own from an earlier run; then into the run's undo folder. A file
// that another add-on, the game or the player changed since this setup last wrote it
// is kept instead of the earlier original (ComeToTheTop), or, for a file it made, kept
// as its original (ComeToTheTopOfAFileItMade).
TOriginalCopy OriginalCopyFor(TSetupRun& run, const std::string& path, TOriginal original) {
  const std::string folded = CollapseVariables(std::string_view(path));
  const std::string backups = BackupFolder(run.InstallDir(), run.Prefix());
  const std::string kept = MirrorPath(backups, folded);
  if (original == TOriginal::KeepForUninstall) {
    const bool keptBefore = platform::FileExists(kept);
    // Set aside or handed on by this run already, before an attempt that failed and is
    // retried.
    if (!keptBefore && (!run.InstalledBefore(folded) || run.MovedAway(kept))) return {kept, true};
    if (ReplacedSinceTheRunWroteIt(run, path) &&
        (keptBefore ? ComeToTheTop(run, path, kept, backups) : ComeToTheTopOfAFileItMade(run, path, backups)))
      return {kept, true};
  }
  return {MirrorPath(backups + "\\~run", folded), false};
}

// Moves the original aside and puts the temporary file in its place; nothing when
// done, else the reason (the original is back then).
std::optional<std::string> ReplaceKeepingOriginal(TSetupRun& run, const std::string& path,
                                                  const std::string& temp, TOriginal original) {
  const TOriginalCopy copy = OriginalCopyFor(run, path, original);
  if (!FlushFileAt(temp)) return platform::LastErrorText();
  MakeDirectoriesOfRun(ExtractFileDir(copy.path));
  if (platform::FileExists(copy.path)) platform::DeleteFileAt(copy.path);  // a stale undo copy
  run.Note({'R', {path, copy.path, copy.keep ? "1" : "0"}}, true);
  if (!SetAsideForReplacement(path, copy.path)) return platform::LastErrorText();
  if (platform::ReplaceFileWith(temp, path)) return std::nullopt;
  const std::string reason = platform::LastErrorText();
  UndoSetAside(path, copy.path);
  return reason;
}

// The temporary of a file that replaces nothing of the player's takes its place: its
// name reaches the disk with the rest of the run, before the run's finish record.
bool PlaceWithoutOriginal(TSetupRun* run, const std::string& path, const std::string& temp) {
  const platform::Durability durability =
      run ? platform::Durability::AtVolumeFlush : platform::Durability::Now;
  if (!platform::ReplaceFileWith(temp, path, durability)) return false;
  if (run) run->FlushVolumeBeforeFinish(path);
  return true;
}

// Journals the temporary (and, for a new file, the file) before either exists.
void NoteTemporary(TSetupRun& run, const std::string& path, const std::string& temp, bool existed) {
  // A new file's record goes with its temporary's: both only ask that the name be
  // deleted if it is there, and one write to the journal serves both.
  if (!existed) run.NoteAll({{'T', {temp}}, {'F', {path}}}, false);
  else run.Note({'T', {temp}}, false);
}

// One attempt; nothing when the file is in place, else the system's reason. existed
// tells whether a file was there before.
std::optional<std::string> TryWrite(const std::string& path,
                                    const std::function<bool(const std::string&)>& writer, TOriginal original,
                                    bool& existed) {
  TSetupRun* run = ActiveRun();
  const platform::PathMappingScope sameMapping;
  const std::string directory = ExtractFileDir(path);
  // What is at the path tells, in the same look, whether its folder is there.
  const platform::PathState state = platform::StateOfPath(path);
  if (state == platform::PathState::Missing && !platform::DirectoryExists(directory))
    ForceDirectory(directory);
  existed = state == platform::PathState::File;
  if (existed) {
    // A file that cannot be opened for writing (read-only, in use, no rights) is not
    // replaced behind its back, even where the system would let it be renamed.
    platform::File probe = platform::File::Open(path, platform::OpenMode::ReadWrite);
    if (!probe.IsOpen()) return platform::LastErrorText();
  }
  const std::optional<std::string> free = TemporaryBeside(path);
  if (!free)
    return "no free temporary name beside it (\"" + path + ".~new\" to \".~new" +
           std::to_string(kTemporaryNameTries - 1) + "\" are all taken)";
  const std::string& temp = *free;
  if (run) NoteTemporary(*run, path, temp, existed);
  bool wrote = false;
  try {
    wrote = writer(temp);
  } catch (...) {
    platform::DeleteFileAt(temp);
    throw;
  }
  std::optional<std::string> failure;
  if (!wrote) {
    failure = platform::LastErrorText();
  } else if (run && existed && !run->CreatedByRun(path)) {
    failure = ReplaceKeepingOriginal(*run, path, temp, original);
  } else if (!PlaceWithoutOriginal(run, path, temp)) {
    failure = platform::LastErrorText();
  }
  if (failure) {
    platform::DeleteFileAt(temp);
    return failure;
  }
  if (run) run->MarkCreated(path);
  return std::nullopt;
}

enum class TUnnamedWrite { Written, NotTaken, FillFailed };

// A new file of a run, in a folder that is there, written without a name and named
// when whole: a failure or a kill before that leaves nothing to clean up, and no
// temporary has to be chosen, journalled and renamed. NotTaken when the file is not
// new, the system cannot make such files or the name cannot be given: the file then
// takes the ordinary way. FillFailed (with the system's reason) when writing the
// content failed; the unnamed file is gone with its handle either way.
TUnnamedWrite WriteNewFileUnnamed(const std::string& path, const std::function<bool(platform::File&)>& fill,
                                  std::string& reason) {
  TSetupRun* run = ActiveRun();
  if (!run) return TUnnamedWrite::NotTaken;
  const platform::PathMappingScope sameMapping;
  if (platform::StateOfPath(path) != platform::PathState::MissingInFolder) return TUnnamedWrite::NotTaken;
  platform::File file = platform::File::CreateUnnamed(ExtractFileDir(path));
  if (!file.IsOpen()) return TUnnamedWrite::NotTaken;
  run->Note({'F', {path}}, false);
  if (!fill(file)) {
    reason = platform::LastErrorText();
    return TUnnamedWrite::FillFailed;
  }
  if (!file.LinkAs(path)) return TUnnamedWrite::NotTaken;
  run->FlushVolumeBeforeFinish(path);
  run->MarkCreated(path);
  return TUnnamedWrite::Written;
}

// A file the add-on makes where its backup folder still keeps an original of the same
// path, though no earlier installation of it left a file there: the game folder that
// original came from was deleted without the add-on being uninstalled (its records stay
// in the trusted folder) and a new one took its path. Putting that original back at
// uninstall would write the old folder's file into the new one, so it is set aside for
// the run (and comes back if the run is undone); the file is then one the add-on made.
// Where it cannot be moved, it stays kept as before.
void SetAsideOriginalOfAFormerFolder(const std::string& path) {
  TSetupRun* run = ActiveRun();
  if (!run) return;
  const std::string folded = CollapseVariables(std::string_view(path));
  if (run->InstalledBefore(folded)) return;
  const std::string backups = BackupFolder(run->InstallDir(), run->Prefix());
  const std::string kept = MirrorPath(backups, folded);
  if (platform::FileExists(kept)) SetKeptOriginalAside(*run, kept, KeptOriginalAside(kept, backups));
}

// What the add-on wrote, replacing a game file or making one, is recorded, so that the
// uninstaller can tell whether the file in place is still the add-on's. known: the
// stamp of the content, when the caller had it in memory.
void WriteAndRecord(const std::string& path, const std::function<bool(const std::string& tempPath)>& writer,
                    TOriginal original, const std::optional<TFileStamp>& known) {
  for (bool existed = false;;) {
    const std::optional<std::string> failure = TryWrite(path, writer, original, existed);
    if (!failure) {
      if (original != TOriginal::KeepForUninstall) return;
      if (!existed) SetAsideOriginalOfAFormerFolder(path);
      RecordWhatTheRunWrote(path, known, existed);
      return;
    }
    if (!AskRetryAfterWriteFailure(path, *failure)) throw ERunStopped(CouldNotWrite(path, *failure));
  }
}

void WriteAndRecordFrom(const std::string& path, const std::function<bool(platform::File&)>& fill,
                        TOriginal original, const std::optional<TFileStamp>& known) {
  for (std::string reason;;) {
    const TUnnamedWrite unnamed = WriteNewFileUnnamed(path, fill, reason);
    if (unnamed == TUnnamedWrite::Written) {
      if (original != TOriginal::KeepForUninstall) return;
      SetAsideOriginalOfAFormerFolder(path);
      RecordWhatTheRunWrote(path, known, false);
      return;
    }
    if (unnamed == TUnnamedWrite::NotTaken) break;
    if (!AskRetryAfterWriteFailure(path, reason)) throw ERunStopped(CouldNotWrite(path, reason));
  }
  WriteAndRecord(
      path,
      [&](const std::string& temp) {
        platform::File file = platform::File::Open(temp, platform::OpenMode::CreateTruncate);
        return file.IsOpen() && fill(file);
      },
      original, known);
}

}  // namespace

void WriteFileOfRun(const std::string& path, const std::function<bool(const std::string& tempPath)>& writer,
                    TOriginal original) {
  WriteAndRecord(path, writer, original, std::nullopt);
}

void WriteFileOfRunFrom(const std::string& path, const std::function<bool(platform::File&)>& fill,
                        TOriginal original) {
  WriteAndRecordFrom(path, fill, original, std::nullopt);
}

void WriteBytesOfRun(const std::string& path, const uint8_t* data, size_t count, TOriginal original) {
  // The stamp of what the add-on writes is taken from the bytes at hand, not read back.
  std::optional<TFileStamp> known;
  if (original == TOriginal::KeepForUninstall && ActiveRun())
    known = StampOfBytes(data, count, TStampDigest::Crc32);
  WriteAndRecordFrom(
      path, [&](platform::File& file) { return !data || count == 0 || file.WriteAll(data, count); }, original,
      known);
}

void MakeDirectoriesOfRun(const std::string& path) {
  if (path.size() <= 3 || path[1] != ':' || path[2] != '\\') return;
  std::string current = path.substr(0, 3);
  for (size_t start = 3; start < path.size();) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      current.append(path, start, end - start);
      if (!platform::DirectoryExists(current)) {
        if (TSetupRun* run = ActiveRun()) run->Note({'D', {current}}, false);
        platform::MakeDirectory(current);
      }
      current += '\\';
    }
    start = end + 1;
  }
}
