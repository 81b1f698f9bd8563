// File and folder operations on Linux with the results Windows gives: a read-only file
// cannot be deleted or copied over, a rename never replaces an existing file, a copy
// never destroys its own source.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/ConfinedFolders.h"
#include "platform/FaultInjection.h"
#include "platform/Files.h"
#include "platform/posix/ConfinedWalk.h"
#include "platform/posix/PathMap.h"
#include "platform/posix/Prefix.h"
#include "platform/posix/RegistryStore.h"
#include "platform/posix/WindowsEnvironment.h"

namespace platform {

namespace {

// A refusal of the program's own (where Windows refuses and Linux would not) leaves
// its reason as the system's own would be left.
bool Refuse(int reason) {
  errno = reason;
  return false;
}

// The status of a looked-up path, asked of the file system only when the lookup did
// not learn it.
bool HostStat(const std::optional<posix::HostLookup>& lookup, struct stat& st) {
  if (!lookup) return false;
  switch (lookup->known) {
    case posix::HostLookup::Known::Exists: st = lookup->status; return true;
    case posix::HostLookup::Known::Missing: return Refuse(ENOENT);
    case posix::HostLookup::Known::Nothing: break;
  }
  return stat(lookup->path.c_str(), &st) == 0;
}

std::string ParentOf(const std::string& hostPath) {
  const size_t slash = hostPath.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : hostPath.substr(0, slash);
}

bool IsHostDirectory(const std::string& hostPath) {
  struct stat st;
  return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HostNameExists(const std::string& hostPath) {
  struct stat st;
  return lstat(hostPath.c_str(), &st) == 0;
}

// What is at an anchor's name, the name itself when it is a link.
bool AnchorStat(const posix::Anchor& anchor, struct stat& st) {
  return fstatat(anchor.Folder(), anchor.Name(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool AnchorNameExists(const posix::Anchor& anchor) {
  struct stat st;
  return AnchorStat(anchor, st);
}

bool IsConfined(const posix::Anchor& anchor) { return anchor.Folder() != AT_FDCWD; }

bool CopyDescriptor(int from, int to) {
  bool useRead = false;
  char buffer[1 << 16];
  for (;;) {
    if (!useRead) {
      const ssize_t moved = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
      if (moved > 0) continue;
      if (moved == 0) return true;
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
      useRead = true;
    }
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(to, buffer + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

// Copies the file's bytes, permissions and modification time to a new file beside
// target and renames it over target, so that a failed copy leaves target as it was.
bool CopyHostFile(const std::string& source, const std::string& target) {
  const int from = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (from < 0) return false;
  struct stat st;
  std::string temp = ParentOf(target) + "/.copy-XXXXXX";
  const int to = fstat(from, &st) == 0 && S_ISREG(st.st_mode) ? mkostemp(temp.data(), O_CLOEXEC) : -1;
  bool ok = to >= 0 && CopyDescriptor(from, to);
  if (to >= 0) {
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ok = ok && fchmod(to, st.st_mode & 07777) == 0 && futimens(to, times) == 0;
    ok = close(to) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
  }
  close(from);
  return ok;
}

bool IsWindowsForm(const std::string& path) {
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (path.size() >= 2 && letter(path[0]) && path[1] == ':')
    return path.size() == 2 || path[2] == '\\' || path[2] == '/';
  return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st;
  return HostStat(posix::LookUpHostPath(path), st) && !S_ISDIR(st.st_mode);
}

bool IsLink(const std::string& path) {
  const auto lookup = posix::LookUpHostPath(path);
  struct stat st;
  return lookup && lstat(lookup->path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return HostStat(posix::LookUpHostPath(path), st) && S_ISDIR(st.st_mode);
}

PathState StateOfPath(const std::string& path) {
  const auto lookup = posix::LookUpHostPath(path);
  struct stat st;
  if (HostStat(lookup, st)) return S_ISDIR(st.st_mode) ? PathState::Directory : PathState::File;
  // Only a name missing from its folder's listing is known to be missing from a folder
  // that is there.
  const bool inFolder = lookup && lookup->known == posix::HostLookup::Known::Missing;
  return inFolder ? PathState::MissingInFolder : PathState::Missing;
}

bool IsReadOnly(const std::string& path) {
  struct stat st;
  return HostStat(posix::LookUpHostPath(path), st) && !(st.st_mode & S_IWUSR);
}

bool SetReadOnly(const std::string& path, bool readOnly) {
  const auto lookup = posix::LookUpHostPath(path);
  struct stat st;
  if (!HostStat(lookup, st)) return false;
  const mode_t mode = readOnly ? st.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH) : st.st_mode | S_IWUSR;
  return chmod(lookup->path.c_str(), mode & 07777) == 0;
}

bool DeleteFileAt(const std::string& path) {
  const auto hostPath = posix::ResolveHostPath(path);
  struct stat st;
  if (!hostPath) return Refuse(ENOENT);
  const auto anchor = posix::AnchorOf(path, *hostPath);
  if (!anchor) return false;
  if (!AnchorStat(*anchor, st)) return false;
  if (S_ISDIR(st.st_mode)) return Refuse(EISDIR);
  if (detail::FileHeldInUse(path)) {
    errno = EBUSY;
    return false;
  }
  if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) return Refuse(EACCES);  // read-only
  if (unlinkat(anchor->Folder(), anchor->Name(), 0) != 0) return false;
  posix::NoteNameRemoved(*hostPath);
  return true;
}

bool FlushDirectoryOf(const std::string& path) {
  const auto hostPath = posix::ResolveHostPath(path);
  if (!hostPath) return Refuse(ENOENT);
  const int folder = open(ParentOf(*hostPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return false;
  const bool flushed = fsync(folder) == 0;
  close(folder);
  return flushed;
}

bool CopyFileOverwriting(const std::string& source, const std::string& target) {
  const auto fromLookup = posix::LookUpHostPath(source);
  const auto toLookup = posix::LookUpHostPath(target);
  struct stat sourceStat, targetStat;
  if (!HostStat(fromLookup, sourceStat)) return fromLookup ? false : Refuse(ENOENT);
  if (!toLookup) return Refuse(ENOENT);
  const std::string* from = &fromLookup->path;
  const std::string* to = &toLookup->path;
  if (!S_ISREG(sourceStat.st_mode)) return Refuse(EISDIR);
  const bool existed = HostStat(toLookup, targetStat);
  if (existed) {
    if (S_ISDIR(targetStat.st_mode)) return Refuse(EISDIR);
    if (!(targetStat.st_mode & S_IWUSR)) return Refuse(EACCES);
    if (targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino)
      return Refuse(EBUSY);  // the file itself: copying would only destroy it
  }
  if (!CopyHostFile(*from, *to)) return false;
  if (!existed) posix::NoteNameAdded(*to);
  return true;
}

bool ReplaceFileWith(const std::string& source, const std::string& target, Durability durability) {
  const auto from = posix::ResolveHostPath(source);
  const auto toLookup = posix::LookUpHostPath(target);
  struct stat st;
  if (!from || !toLookup) {
    errno = ENOENT;
    return false;
  }
  const std::string* to = &toLookup->path;
  const auto fromAnchor = posix::AnchorOf(source, *from);
  const auto toAnchor = fromAnchor ? posix::AnchorOf(target, *to) : std::nullopt;
  if (!toAnchor) return false;
  const auto renameAnchored = [&](unsigned flags) {
    return renameat2(fromAnchor->Folder(), fromAnchor->Name(), toAnchor->Folder(), toAnchor->Name(), flags) ==
           0;
  };
  bool renamed = false, existed = false;
  // A new name, the common case, takes one call; what is already there is looked at
  // before it is replaced. (A file system that cannot rename without replacing gets
  // the look first.)
  if (toLookup->known != posix::HostLookup::Known::Exists) {
    renamed = renameAnchored(RENAME_NOREPLACE);
    if (!renamed && errno != EEXIST && errno != EINVAL) return false;
  }
  if (!renamed) {
    // Below a confined folder a link in target's place is what gets replaced.
    existed = IsConfined(*toAnchor) ? AnchorStat(*toAnchor, st) : HostStat(toLookup, st);
    if (existed && (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR))) {
      errno = S_ISDIR(st.st_mode) ? EISDIR : EACCES;  // the read-only attribute
      return false;
    }
    if (!renameAnchored(0)) return false;
  }
  if (existed) posix::NoteNameRemoved(*from);
  else posix::NoteNameRenamed(*from, *to);
  // Onto a name that was taken only a file moves; onto a free one a folder may have.
  if (!existed && AnchorStat(*toAnchor, st) && S_ISDIR(st.st_mode)) posix::ForgetWalkedFolders();
  if (durability == Durability::AtVolumeFlush) return true;
  // The rename itself is made durable with the directory that holds the name.
  if (IsConfined(*toAnchor)) {
    fsync(toAnchor->Folder());
    return true;
  }
  const int dir = open(ParentOf(*to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

bool FlushVolumeOf(const std::string& path) {
  const auto hostPath = posix::ResolveHostPath(path);
  if (!hostPath) {
    errno = ENOENT;
    return false;
  }
  const int fd = open(hostPath->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool flushed = syncfs(fd) == 0;
  const int saved = errno;
  close(fd);
  errno = saved;
  return flushed;
}

bool PathExists(const std::string& path) {
  struct stat st;
  return HostStat(posix::LookUpHostPath(path), st);
}

bool RenameFile(const std::string& oldPath, const std::string& newPath) {
  const auto from = posix::ResolveHostPath(oldPath);
  auto to = posix::ResolveHostPath(newPath);
  if (!from || !to) return Refuse(ENOENT);
  std::string newWindowsPath = newPath;
  bool caseOnly = false;
  if (*to == *from) {
    // The same name in other letter case: the new spelling replaces the old.
    const auto parsed = posix::ParseWindowsPath(newPath);
    if (!parsed || parsed->components.empty()) return Refuse(EINVAL);
    to = ParentOf(*from) + "/" + AnsiToUtf8(parsed->components.back());
    if (*to == *from) return HostNameExists(*from) || Refuse(ENOENT);
    newWindowsPath = oldPath;  // the old name's folder, walked once more
    caseOnly = true;
  }
  const auto fromAnchor = posix::AnchorOf(oldPath, *from);
  if (!fromAnchor) return false;
  struct stat moved;
  if (!AnchorStat(*fromAnchor, moved)) return Refuse(ENOENT);
  const auto toAnchor = posix::AnchorOf(newWindowsPath, *to);
  if (!toAnchor) return false;
  const posix::Anchor& target = *toAnchor;
  if (!caseOnly && AnchorNameExists(target)) return Refuse(EEXIST);
  if (renameat2(fromAnchor->Folder(), fromAnchor->Name(), target.Folder(), target.Name(), RENAME_NOREPLACE) !=
      0) {
    if (errno == EINVAL) {
      if (AnchorNameExists(target)) return Refuse(EEXIST);
      if (renameat(fromAnchor->Folder(), fromAnchor->Name(), target.Folder(), target.Name()) != 0)
        return false;
    } else if (errno == EXDEV && !IsConfined(*fromAnchor) && !IsConfined(target) && !IsHostDirectory(*from)) {
      // Another file system: moved as Windows moves files across volumes.
      if (!CopyHostFile(*from, *to)) return false;
      unlink(from->c_str());
    } else {
      return false;
    }
  }
  posix::NoteNameRemoved(*from);
  posix::NoteNameAdded(*to);
  if (S_ISDIR(moved.st_mode)) posix::ForgetWalkedFolders();
  return true;
}

bool MakeDirectory(const std::string& path) {
  const auto hostPath = posix::ResolveHostPath(path);
  if (!hostPath) return Refuse(ENOENT);
  const auto anchor = posix::AnchorOf(path, *hostPath);
  if (!anchor) return false;
  if (AnchorNameExists(*anchor)) return Refuse(EEXIST);
  if (!IsConfined(*anchor) && !IsHostDirectory(ParentOf(*hostPath))) return Refuse(ENOENT);
  if (mkdirat(anchor->Folder(), anchor->Name(), 0777) != 0) return false;
  posix::NoteNameAdded(*hostPath);
  return true;
}

bool RemoveEmptyDirectory(const std::string& path) {
  const auto parsed = posix::ParseWindowsPath(path);
  if (!parsed || parsed->components.empty()) return Refuse(EACCES);  // never a drive's root
  const auto hostPath = posix::ResolveHostPath(path);
  if (!hostPath) return Refuse(ENOENT);
  const auto anchor = posix::AnchorOf(path, *hostPath);
  if (!anchor || unlinkat(anchor->Folder(), anchor->Name(), AT_REMOVEDIR) != 0) return false;
  posix::NoteNameRemoved(*hostPath);
  posix::ForgetWalkedFolders();
  return true;
}

std::vector<DirectoryEntry> ListDirectory(const std::string& path) {
  std::vector<DirectoryEntry> entries;
  const auto hostPath = posix::ResolveHostPath(path);
  DIR* dir = hostPath ? opendir(hostPath->c_str()) : nullptr;
  if (!dir) return entries;
  while (const dirent* item = readdir(dir)) {
    const std::string name = item->d_name;
    if (name == "." || name == "..") continue;
    bool isDirectory = item->d_type == DT_DIR;
    bool isLink = item->d_type == DT_LNK;
    if (item->d_type == DT_LNK || item->d_type == DT_UNKNOWN)
      isDirectory = IsHostDirectory(*hostPath + "/" + name);
    if (item->d_type == DT_UNKNOWN) {
      struct stat st;
      isLink = lstat((*hostPath + "/" + name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    }
    entries.push_back({posix::WindowsNameOfHostName(name), isDirectory, isLink});
  }
  closedir(dir);
  std::vector<std::pair<std::u16string, size_t>> keys;
  for (size_t i = 0; i < entries.size(); ++i)
    keys.emplace_back(posix::FoldName(AnsiToWide(entries[i].name)), i);
  std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return entries[a.second].name < entries[b.second].name;
  });
  std::vector<DirectoryEntry> sorted;
  sorted.reserve(entries.size());
  for (const auto& key : keys) sorted.push_back(std::move(entries[key.second]));
  return sorted;
}

std::optional<FileFacts> FileFactsOf(const std::string& path) {
  const auto hostPath = posix::ResolveHostPath(path);
  struct statx st;
  if (!hostPath || statx(AT_FDCWD, hostPath->c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
    return std::nullopt;
  constexpr uint64_t kFileTimeOf1970 = 116444736000000000ull;
  const auto fileTime = [](const statx_timestamp& t) {
    return t.tv_sec < -11644473600ll ? 0
                                     : kFileTimeOf1970 + uint64_t(t.tv_sec * 10'000'000ll) + t.tv_nsec / 100;
  };
  FileFacts facts;
  facts.isDirectory = S_ISDIR(st.stx_mode);
  facts.readOnly = !(st.stx_mode & S_IWUSR);
  facts.size = facts.isDirectory ? 0 : st.stx_size;
  facts.lastWriteTime = fileTime(st.stx_mtime);
  facts.lastAccessTime = fileTime(st.stx_atime);
  // Where the file system keeps no creation time, the last change stands in.
  facts.creationTime = fileTime((st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_mtime);
  facts.volumeId = (uint64_t(st.stx_dev_major) << 32) | st.stx_dev_minor;
  facts.fileId = st.stx_ino;
  return facts;
}

std::string TempFolder() {
  // The user's TEMP variable as Wine records it, else Wine's default.
  std::string folder = posix::ExpandWindowsEnvironment(
      posix::RegistryString(posix::ReadRegistryValue(RegistryRoot::CurrentUser, "Environment", "TEMP"))
          .value_or(std::string()));
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  auto hostPath = folder.empty() ? std::nullopt : posix::ResolveHostPath(folder);
  if (!hostPath) {
    folder = posix::UserProfilePath() + "\\AppData\\Local\\Temp";
    hostPath = posix::ResolveHostPath(folder);
  }
  if (hostPath) posix::MakeHostDirectories(*hostPath);
  return folder;
}

std::string OwnExecutablePath() {
  std::string target(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
  if (length <= 0 || static_cast<size_t>(length) >= target.size()) return std::string();
  target.resize(static_cast<size_t>(length));
  return posix::WindowsPathFromHost(target);
}

bool MarkExecutable(const std::string& path) {
  const auto lookup = posix::LookUpHostPath(path);
  struct stat st;
  if (!HostStat(lookup, st) || S_ISDIR(st.st_mode)) return false;
  const mode_t mode = st.st_mode | S_IXUSR | ((st.st_mode & (S_IRGRP | S_IROTH)) >> 2);
  return chmod(lookup->path.c_str(), mode & 07777) == 0;
}

std::optional<std::string> HostPathOf(const std::string& windowsPath) {
  return posix::ResolveHostPath(windowsPath);
}

std::string WindowsPathOf(const std::string& hostPath) {
  if (IsWindowsForm(hostPath)) return hostPath;
  return posix::WindowsPathFromHost(hostPath);
}

}  // namespace platform
