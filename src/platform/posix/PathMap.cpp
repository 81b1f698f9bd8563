#include "platform/posix/PathMap.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/posix/DirListingCache.h"
#include "platform/posix/Prefix.h"

namespace platform::posix {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char LowerLetter(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && SameTextAscii(text.substr(0, start.size()), start);
}

// Characters Windows refuses in a file name.
bool IsValidName(std::string_view name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"|?*", c)) return false;
  }
  return true;
}

std::string CurrentHostDirectory() {
  std::string buffer(4096, '\0');
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::strlen(buffer.c_str()));
  return buffer;
}

// Applies one path text to a component list: separators collapsed, "." skipped, ".."
// removing the previous component, names stripped of trailing dots and blanks.
bool AppendComponents(std::string_view text, std::vector<std::string>& components) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = start;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    std::string name(text.substr(start, end - start));
    start = end + 1;
    if (name == ".") continue;
    if (name == "..") {
      if (!components.empty()) components.pop_back();
      continue;
    }
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (name.empty()) continue;
    if (!IsValidName(name)) return false;
    components.push_back(std::move(name));
  }
  return true;
}

bool Exists(const std::string& hostPath) {
  struct stat st;
  return lstat(hostPath.empty() ? "/" : hostPath.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& hostPath) {
  struct stat st;
  return stat(hostPath.empty() ? "/" : hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string MatchOrKeep(const std::string& hostDir, const std::string& name, bool* found) {
  if (Exists(hostDir + "/" + name)) return name;
  if (auto match = FindNameIgnoringCase(hostDir, name)) return *match;
  if (found) *found = false;
  return name;
}

HostLookup Found(std::string path, const struct stat& status) {
  return {std::move(path), HostLookup::Known::Exists, status};
}

HostLookup Unchecked(std::string path) { return {std::move(path), HostLookup::Known::Nothing, {}}; }

// A new name in a folder spelled exactly: only the last name needs a lookup, in the
// folder's kept listing. Nothing when the folder is not there.
std::optional<HostLookup> LookUpInParent(const std::string& exact, const std::string& name, bool absent) {
  const std::string parent = exact.substr(0, exact.size() - name.size() - 1);
  bool parentExists = false;
  const auto match = FindNameIgnoringCase(parent, name, &parentExists);
  if (!parentExists) return std::nullopt;
  if (!match) return HostLookup{exact, absent ? HostLookup::Known::Missing : HostLookup::Known::Nothing, {}};
  // Another spelling of the name; a name that is there as given (a link that leads
  // nowhere) still wins over it.
  if (*match != name && Exists(exact)) return Unchecked(exact);
  return Unchecked(parent + "/" + *match);
}

std::optional<HostLookup> ResolveBelow(const std::string& root, const std::vector<std::string>& components) {
  std::vector<std::string> names;
  names.reserve(components.size());
  std::string exact = root;
  for (const auto& component : components) {
    names.push_back(AnsiToUtf8(component));
    exact += "/" + names.back();
  }
  struct stat status;
  if (names.empty()) {
    const std::string top = root.empty() ? "/" : root;
    if (stat(top.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return std::nullopt;
    return Found(top, status);
  }
  if (stat(exact.c_str(), &status) == 0) return Found(exact, status);  // the common case: one call
  // Only "no such name" says the name is missing; a name that cannot be followed (a
  // loop, a folder without access) is still there as given.
  const bool absent = errno == ENOENT;
  if (!absent && Exists(exact)) return Unchecked(exact);
  if (names.size() > 1) {
    if (auto lookup = LookUpInParent(exact, names.back(), absent)) return lookup;
  }
  if (!IsDirectory(root)) return std::nullopt;
  std::string current = root;
  bool found = true;
  for (const auto& name : names) current += "/" + (found ? MatchOrKeep(current, name, &found) : name);
  return Unchecked(current);
}

bool FitsWindows1252(const std::string& utf8) { return AnsiToUtf8(Utf8ToAnsi(utf8)) == utf8; }

// FNV-1a: stable across runs and builds, so a stand-in name stays the same.
uint32_t NameDigest(const std::string& utf8) {
  uint32_t hash = 2166136261u;
  for (const unsigned char c : utf8) hash = (hash ^ c) * 16777619u;
  return hash;
}

}  // namespace

std::string WindowsNameOfHostName(const std::string& utf8Name) {
  if (IsAscii(utf8Name)) return utf8Name;
  if (FitsWindows1252(utf8Name)) return Utf8ToAnsi(utf8Name);
  char digest[16];
  std::snprintf(digest, sizeof digest, "~%08X", NameDigest(utf8Name));
  const size_t dot = utf8Name.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : utf8Name.substr(dot);
  if (extension.size() > 1 && FitsWindows1252(extension)) return digest + Utf8ToAnsi(extension);
  return digest;
}

std::u16string FoldName(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) {
      c += 32;
    } else if (c >= 0x400 && c <= 0x40F) {
      c += 80;
    } else if (c == 0x178) {
      c = 0xFF;
    } else if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
      c |= 1;  // Latin Extended-A pairs: capital even, small odd
    } else if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
      if (c & 1) ++c;  // ... here capital odd, small even
    }
  }
  return folded;
}

std::optional<WindowsPath> ParseWindowsPath(std::string_view path) {
  WindowsPath parsed;
  std::string_view rest = path;
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
      (path[2] == '?' || path[2] == '.') && IsSeparator(path[3])) {
    rest = path.substr(4);  // "\\?\C:\..." and Wine's "\\?\unix\..."
    if (StartsWithNoCase(rest, "unix") && (rest.size() == 4 || IsSeparator(rest[4]))) {
      if (!AppendComponents(rest.substr(4), parsed.components)) return std::nullopt;
      return parsed;
    }
    if (rest.size() < 2 || !IsDriveLetter(rest[0]) || rest[1] != ':') return std::nullopt;
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    return std::nullopt;  // a network share
  }
  if (rest.empty()) return std::nullopt;
  if (rest.size() >= 2 && IsDriveLetter(rest[0]) && rest[1] == ':') {
    parsed.drive = LowerLetter(rest[0]);
    rest = rest.substr(2);
  } else {
    // Rooted or relative: the drive (and, when relative, the folder) of the current
    // directory.
    auto base = ParseWindowsPath(WindowsPathFromHost(CurrentHostDirectory()));
    if (!base) return std::nullopt;
    parsed.drive = base->drive;
    if (!IsSeparator(rest[0])) parsed.components = std::move(base->components);
  }
  if (!AppendComponents(rest, parsed.components)) return std::nullopt;
  return parsed;
}

namespace {

// The drives and paths mapped while a PathMappingScope is alive on this thread.
struct ScopedMappings {
  int depth = 0;       // path mapping scopes alive
  int driveDepth = 0;  // drive mapping scopes alive
  std::array<std::optional<std::optional<std::string>>, 26> targets;
  std::unordered_map<std::string, std::string> hostPaths;  // of "X:\..." paths as given
};
thread_local ScopedMappings scopedMappings;

std::optional<std::string> ReadDriveTarget(char letter) {
  const std::string root = PrefixRoot();
  if (root.empty()) return std::nullopt;  // no machine chosen yet: no drives
  const std::string devices = root + "/dosdevices/";
  const std::string link = devices + letter + ":";
  std::string target(4096, '\0');
  const ssize_t length = readlink(link.c_str(), target.data(), target.size());
  if (length < 0) {
    // A plain folder standing in for the link is the drive itself.
    if (errno == EINVAL && IsDirectory(link)) return link;
    return std::nullopt;
  }
  if (length == 0 || static_cast<size_t>(length) >= target.size()) return std::nullopt;
  target.resize(static_cast<size_t>(length));
  return NormaliseHostPath(target.front() == '/' ? target : devices + target);
}

}  // namespace

std::optional<std::string> DriveTarget(char letter) {
  letter = LowerLetter(letter);
  if (letter < 'a' || letter > 'z') return std::nullopt;
  if (scopedMappings.depth == 0 && scopedMappings.driveDepth == 0) return ReadDriveTarget(letter);
  auto& kept = scopedMappings.targets[size_t(letter - 'a')];
  if (!kept) kept = ReadDriveTarget(letter);
  return *kept;
}

namespace {

// Where a scope keeps the host path of a drive path; nothing outside a scope, and for
// paths that depend on the current directory.
std::string* ScopedHostPath(std::string_view windowsPath) {
  if (scopedMappings.depth == 0 || windowsPath.size() < 3 || !IsDriveLetter(windowsPath[0]) ||
      windowsPath[1] != ':' || !IsSeparator(windowsPath[2]))
    return nullptr;
  return &scopedMappings.hostPaths[std::string(windowsPath)];
}

std::optional<HostLookup> LookUpUnscoped(std::string_view windowsPath) {
  const auto parsed = ParseWindowsPath(windowsPath);
  if (!parsed) return std::nullopt;
  std::string root;
  if (parsed->drive) {
    auto target = DriveTarget(parsed->drive);
    if (!target) return std::nullopt;
    root = std::move(*target);
  }
  return ResolveBelow(root, parsed->components);
}

}  // namespace

std::optional<HostLookup> LookUpHostPath(std::string_view windowsPath) {
  std::string* kept = ScopedHostPath(windowsPath);
  if (kept && !kept->empty()) return Unchecked(*kept);
  auto lookup = LookUpUnscoped(windowsPath);
  if (kept && lookup) *kept = lookup->path;
  return lookup;
}

std::optional<std::string> ResolveHostPath(std::string_view windowsPath) {
  auto lookup = LookUpHostPath(windowsPath);
  if (!lookup) return std::nullopt;
  return std::move(lookup->path);
}

std::string NormaliseHostPath(const std::string& absolutePath) {
  std::vector<std::string_view> parts;
  std::string_view text = absolutePath;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('/', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view part = text.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string result;
  for (const auto part : parts) (result += '/') += part;
  return result;
}

std::string WindowsPathFromHost(const std::string& hostPath) {
  const std::string absolute = NormaliseHostPath(
      !hostPath.empty() && hostPath.front() == '/' ? hostPath : CurrentHostDirectory() + "/" + hostPath);
  // The drive whose target holds the path most closely (C: before Z: for a file in
  // drive_c); letters in order break ties.
  char best = 0;
  size_t bestLength = 0;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const auto target = DriveTarget(letter);
    if (!target) continue;
    const bool holds = absolute.compare(0, target->size(), *target) == 0 &&
                       (absolute.size() == target->size() || absolute[target->size()] == '/');
    if (holds && (!best || target->size() > bestLength)) {
      best = letter;
      bestLength = target->size();
    }
  }
  std::string result = best ? std::string(1, char(best - 'a' + 'A')) + ":" : "\\\\?\\unix";
  const std::string rest = absolute.substr(best ? bestLength : 0);
  size_t start = 1;  // past the slash that starts rest
  while (start < rest.size()) {
    const size_t end = std::min(rest.find('/', start), rest.size());
    result += "\\" + WindowsNameOfHostName(rest.substr(start, end - start));
    start = end + 1;
  }
  return rest.size() <= 1 ? result + "\\" : result;
}

void NoteNameAdded(const std::string& hostPath) {
  const size_t slash = hostPath.rfind('/');
  if (slash == std::string::npos) return;
  CacheNoteAdded(hostPath.substr(0, slash), hostPath.substr(slash + 1));
}

void NoteNameRemoved(const std::string& hostPath) {
  const size_t slash = hostPath.rfind('/');
  if (slash == std::string::npos) return;
  CacheNoteRemoved(hostPath.substr(0, slash), hostPath.substr(slash + 1));
}

void NoteNameRenamed(const std::string& fromHostPath, const std::string& toHostPath) {
  const size_t fromSlash = fromHostPath.rfind('/');
  const size_t toSlash = toHostPath.rfind('/');
  if (fromSlash == std::string::npos || toSlash == std::string::npos ||
      fromHostPath.compare(0, fromSlash, toHostPath, 0, toSlash) != 0) {
    NoteNameRemoved(fromHostPath);
    NoteNameAdded(toHostPath);
    return;
  }
  CacheNoteRenamed(fromHostPath.substr(0, fromSlash), fromHostPath.substr(fromSlash + 1),
                   toHostPath.substr(toSlash + 1));
}

}  // namespace platform::posix

namespace platform {

PathMappingScope::PathMappingScope() { ++posix::scopedMappings.depth; }

PathMappingScope::~PathMappingScope() {
  if (--posix::scopedMappings.depth > 0) return;
  posix::scopedMappings.hostPaths.clear();
  if (posix::scopedMappings.driveDepth == 0) posix::scopedMappings.targets = {};
}

DriveMappingScope::DriveMappingScope() { ++posix::scopedMappings.driveDepth; }

DriveMappingScope::~DriveMappingScope() {
  if (--posix::scopedMappings.driveDepth == 0 && posix::scopedMappings.depth == 0)
    posix::scopedMappings.targets = {};
}

}  // namespace platform
