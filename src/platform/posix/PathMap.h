// Windows paths on the host: "X:\a\b" becomes the target of the prefix's drive link
// dosdevices/x: followed by /a/b. Components that exist are matched without regard to
// case (the exact spelling is tried first, with one stat; a directory is listed only
// when that misses, and its listing is kept while the directory does not change);
// components that do not exist keep the spelling given. 8-bit names are Windows-1252
// and UTF-8 on the host.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::posix {

// A Windows path taken apart: "." and ".." applied (never above the root), separators
// collapsed, trailing dots and blanks of each name dropped as Windows drops them.
struct WindowsPath {
  char drive = 0;                       // 'a' to 'z'; 0 for Wine's "\\?\unix\..." form (the host's root)
  std::vector<std::string> components;  // Windows-1252
};

// Nothing for a path that names no drive of this machine's kind: UNC paths, device
// paths, names with characters Windows forbids (<>:"|?* and controls), the empty path.
// Relative and rooted paths are taken from the current directory.
std::optional<WindowsPath> ParseWindowsPath(std::string_view path);

// The host directory behind a drive letter (the link target, absolute and lexically
// normalised, "" for the host's root); nothing when the prefix has no such drive.
std::optional<std::string> DriveTarget(char letter);

// The host path of a Windows path, or nothing when it cannot be mapped (including a
// drive whose link leads nowhere).
std::optional<std::string> ResolveHostPath(std::string_view windowsPath);

// A host path with what finding it learned, so that the caller need not ask the file
// system again: the path's status (links followed) when it exists, or that it does
// not. Extracting a file asks several questions of each name; each answer given here
// is a call saved.
struct HostLookup {
  enum class Known { Nothing, Exists, Missing };
  std::string path;
  Known known = Known::Nothing;
  struct stat status {};  // when Exists
};
std::optional<HostLookup> LookUpHostPath(std::string_view windowsPath);

// A host path (absolute or relative to the current directory) as a Windows path.
std::string WindowsPathFromHost(const std::string& hostPath);

// The name the program sees for one host name: the name itself in Windows-1252 when
// it fits; otherwise a stand-in such as "~1F3A09C2.txt" (a digest of the name, its
// extension kept when that fits), which the lookups below map back to the host name,
// as Windows hands an 8-bit program a short name for a name its code page lacks.
std::string WindowsNameOfHostName(const std::string& utf8Name);

// The case-folded form of a name, for comparisons without regard to case.
std::u16string FoldName(std::u16string_view name);

// Keeps the cached directory listings in step with changes this process makes.
void NoteNameAdded(const std::string& hostPath);
void NoteNameRemoved(const std::string& hostPath);
// A rename onto a name that was free; one look at the folder when both are in it.
void NoteNameRenamed(const std::string& fromHostPath, const std::string& toHostPath);

// "/a/b/../c/." -> "/a/c"; "" for the root.
std::string NormaliseHostPath(const std::string& absolutePath);

}  // namespace platform::posix
