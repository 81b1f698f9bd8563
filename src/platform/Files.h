// Files and directories as the program sees them: Windows paths ("C:\Games\x.dat",
// 8-bit Windows-1252 text), names compared without regard to case, "\" or "/" as
// separators. On Linux the paths resolve inside the Wine-style prefix (see
// posix/Prefix.h); a path that cannot be mapped (no such drive, a UNC path) behaves as a
// missing file: every query says "absent" and every change fails.
//
// Failures are reported by return values, as the system calls they stand for do, and
// leave the system's reason for LastErrorText() (platform/Errors.h); nothing here
// throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class OpenMode {
  ReadShared,      // existing file, reading; others may read and write meanwhile
  ReadKeepShut,    // existing file, reading; others may read, but no one may write while
                   // it is open (Windows refuses writers; POSIX has no such refusal)
  ReadWrite,       // existing file, reading and writing
  CreateTruncate,  // new file, or an existing one emptied; reading and writing
  CreateNew,       // a new file only: anything already there (a link too) refuses it
};

enum class SeekOrigin { Begin, Current, End };

// An open file. Move-only; closes itself.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // A File whose IsOpen() is false when the file cannot be opened.
  static File Open(const std::string& path, OpenMode mode);
  // A new file in the folder that has no name until LinkAs gives it one, so that
  // nothing is left behind when it is never named. Not open where the system or the
  // file system cannot make such files (Windows): the caller then writes a temporary.
  static File CreateUnnamed(const std::string& directory);

  bool IsOpen() const { return handle_ != kClosed; }
  // A second handle of the same open file, for another thread to read with ReadAt: it
  // reaches the very file this one opened, whatever has since been renamed or put in
  // its place. Not open when the system refuses.
  File Duplicate() const;
  // The new position from the start, or -1 on failure.
  int64_t Seek(int64_t offset, SeekOrigin origin = SeekOrigin::Begin);
  int64_t Position() const;
  // Size in bytes, or -1 when closed.
  int64_t Size() const;
  // Bytes actually read or written; fewer than asked at the end of the file or on error.
  size_t Read(void* buffer, size_t count);
  size_t Write(const void* buffer, size_t count);
  // Reads exactly count bytes or returns false. A file that ends early leaves the
  // system's "end of the file" as the reason (LastErrorText).
  bool ReadExact(void* buffer, size_t count);
  // Reads exactly count bytes at a position, whatever position Seek set, so several
  // threads may read through one handle at once. It may move that position (Windows
  // does): a handle read this way is best read only this way.
  bool ReadAt(uint64_t position, void* buffer, size_t count) const;
  bool WriteAll(const void* buffer, size_t count);
  // Cuts (or extends) the file at the current position.
  bool SetEndOfFile();
  bool Flush();
  void Close();
  // Gives a file from CreateUnnamed the path as its name in one step; false (with the
  // system's reason) when the name is taken or the link cannot be made.
  bool LinkAs(const std::string& path);

 private:
  static constexpr intptr_t kClosed = -1;
  explicit File(intptr_t handle) : handle_(handle) {}
  intptr_t handle_ = kClosed;  // the system's handle or descriptor
};

// Whole-file helpers. ReadWholeFile gives nothing when the file cannot be read, or not
// all of it.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path);
bool WriteFileBytes(const std::string& path, const void* data, size_t count);

bool FileExists(const std::string& path);       // a file, not a directory
bool DirectoryExists(const std::string& path);  // a directory, not a file
// What is at a path, in one look. MissingInFolder: nothing, in a folder that is there;
// Missing: nothing, and the folder may be missing too.
enum class PathState { File, Directory, MissingInFolder, Missing };
PathState StateOfPath(const std::string& path);

bool IsReadOnly(const std::string& path);
bool SetReadOnly(const std::string& path, bool readOnly);

bool DeleteFileAt(const std::string& path);
// Puts the folder entry of a file just created on the disk, so that the file is still
// found after a power cut (File::Flush covers only the file's content).
bool FlushDirectoryOf(const std::string& path);
// When a change of names must be on the disk: before the call returns, or with the
// next FlushVolumeOf (a run placing thousands of new files waits for the disk once,
// not once per file).
enum class Durability { Now, AtVolumeFlush };
// Puts source in target's place in one step, replacing an existing target: whoever
// looks sees the old file or the new one, never a mix. Fails for a read-only or
// locked target (it is left as it was) and across volumes.
bool ReplaceFileWith(const std::string& source, const std::string& target,
                     Durability durability = Durability::Now);
// Puts everything written to the volume that holds path (contents and names) on the
// disk. Windows lets only administrators flush a whole volume; elsewhere this gives
// false and the system writes it out on its own within seconds.
bool FlushVolumeOf(const std::string& path);
// The path exists, as a file or a directory.
bool PathExists(const std::string& path);
// The last part of the path is a link to elsewhere (a symbolic link; on Windows any
// reparse point, a junction included), whatever it points at.
bool IsLink(const std::string& path);
// While one is alive, the paths this thread names keep the meaning they had when
// first used: a drive letter the folder it was mapped to, a name the letter case it
// was found in. The calls of one step (a file written under a temporary name and
// renamed into place) then all act on the same files, even when a drive is mapped
// elsewhere or a name appears in another letter case meanwhile; where mapping a path
// costs calls to the system, they are made once per step instead of once per call.
// Whether a file exists is still asked each time. Scopes may nest.
class PathMappingScope {
 public:
  PathMappingScope();
  ~PathMappingScope();
  PathMappingScope(const PathMappingScope&) = delete;
  PathMappingScope& operator=(const PathMappingScope&) = delete;
};
// The drive letters alone keep their meaning while one is alive, for work that names
// many paths over a longer time (a group of files extracted into one folder); names
// are still looked up afresh outside the steps' own scopes.
class DriveMappingScope {
 public:
  DriveMappingScope();
  ~DriveMappingScope();
  DriveMappingScope(const DriveMappingScope&) = delete;
  DriveMappingScope& operator=(const DriveMappingScope&) = delete;
};
// Copies source over target, replacing an existing target.
bool CopyFileOverwriting(const std::string& source, const std::string& target);
// Fails when the target exists (as the system's move does).
bool RenameFile(const std::string& oldPath, const std::string& newPath);
// One level: fails when the parent is missing or the directory exists.
bool MakeDirectory(const std::string& path);
// Fails unless the directory exists and is empty.
bool RemoveEmptyDirectory(const std::string& path);

struct DirectoryEntry {
  std::string name;  // 8-bit name as the program sees it; never "." or ".."
  bool isDirectory = false;
  // A link to elsewhere (a symbolic link; on Windows a junction): isDirectory tells
  // what it points at. Tree removal deletes the link and never walks into it.
  bool isLink = false;
};
// The entries of a directory in a stable order (sorted by name); empty when the
// directory cannot be listed.
std::vector<DirectoryEntry> ListDirectory(const std::string& path);

// What the system's file query reports about a file or folder.
struct FileFacts {
  bool isDirectory = false;
  bool readOnly = false;
  uint64_t size = 0;
  // FILETIME values: 100-nanosecond steps since 1601-01-01 UTC.
  uint64_t creationTime = 0;
  uint64_t lastAccessTime = 0;
  uint64_t lastWriteTime = 0;
  // The volume and the file's number on it: two paths name the same file (through
  // links, say) exactly when both agree.
  uint64_t volumeId = 0;
  uint64_t fileId = 0;
};
// Nothing when the path does not exist.
std::optional<FileFacts> FileFactsOf(const std::string& path);

// The user's temporary folder, without a trailing backslash, created when missing.
std::string TempFolder();

// The running program's own file, as a Windows path.
std::string OwnExecutablePath();

// Marks a file as a program that may be started (no-op where the system has no such
// mark). Used for the setup and uninstaller files the tools write.
bool MarkExecutable(const std::string& path);

// The path as the host sees it (UTF-8), or nothing when it cannot be mapped. Only
// the tools, the tests and the toolkit's file loaders (pictures) need this; the
// program itself stays with Windows paths.
std::optional<std::string> HostPathOf(const std::string& windowsPath);
// A host path (absolute or relative to the current directory) as a Windows path:
// "/home/u/x.pkg" becomes "Z:\home\u\x.pkg". A Windows path is returned as it is.
std::string WindowsPathOf(const std::string& hostPath);

}  // namespace platform
