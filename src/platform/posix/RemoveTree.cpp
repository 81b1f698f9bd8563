// Tree removal on Linux through folder descriptors: each folder is opened from its
// parent's descriptor with O_NOFOLLOW and emptied through its own, so that a link met
// anywhere, or planted while the walk runs, is removed as a link and never entered.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/ConfinedFolders.h"
#include "platform/FaultInjection.h"
#include "platform/posix/ConfinedWalk.h"
#include "platform/posix/PathMap.h"

namespace platform {

namespace {

std::vector<std::string> NamesIn(int folder) {
  std::vector<std::string> names;
  const int listed = dup(folder);
  DIR* listing = listed >= 0 ? fdopendir(listed) : nullptr;
  if (!listing) {
    if (listed >= 0) close(listed);
    return names;
  }
  while (const dirent* item = readdir(listing)) {
    const std::string name = item->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(listing);
  return names;
}

// Deletes a file or a link as DeleteFileAt would: a read-only file or one held in use
// stays.
bool DeleteEntry(int folder, const std::string& name, const struct stat& st, const std::string& windowsPath,
                 const std::string& hostPath) {
  if (detail::FileHeldInUse(windowsPath)) return false;
  if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) return false;
  if (unlinkat(folder, name.c_str(), 0) != 0) return false;
  posix::NoteNameRemoved(hostPath);
  return true;
}

bool RemoveFolderIn(int parent, const std::string& name, const std::string& windowsPath,
                    const std::string& hostPath);

bool EmptyFolder(int folder, const std::string& windowsPath, const std::string& hostPath) {
  bool emptied = true;
  for (const std::string& name : NamesIn(folder)) {
    const std::string childWindows = windowsPath + "\\" + posix::WindowsNameOfHostName(name);
    const std::string childHost = hostPath + "/" + name;
    struct stat st;
    if (fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
    const bool removed = S_ISDIR(st.st_mode) ? RemoveFolderIn(folder, name, childWindows, childHost)
                                             : DeleteEntry(folder, name, st, childWindows, childHost);
    emptied = removed && emptied;
  }
  return emptied;
}

bool RemoveFolderIn(int parent, const std::string& name, const std::string& windowsPath,
                    const std::string& hostPath) {
  const int folder = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0) {
    // Swapped for a link (or a file) since it was looked at: that goes as it is.
    struct stat st;
    return fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode) &&
           DeleteEntry(parent, name, st, windowsPath, hostPath);
  }
  const bool emptied = EmptyFolder(folder, windowsPath, hostPath);
  close(folder);
  if (!emptied || unlinkat(parent, name.c_str(), AT_REMOVEDIR) != 0) return false;
  posix::NoteNameRemoved(hostPath);
  return true;
}

bool RemoveTreeOnce(const std::string& directory) {
  const auto parsed = posix::ParseWindowsPath(directory);
  if (!parsed || parsed->components.empty()) {  // never a drive's root
    errno = EACCES;
    return false;
  }
  const auto hostPath = posix::ResolveHostPath(directory);
  if (!hostPath) return true;  // a path no drive maps holds nothing
  const auto anchor = posix::AnchorOf(directory, *hostPath);
  if (!anchor) return errno == ENOENT;
  struct stat st;
  if (fstatat(anchor->Folder(), anchor->Name(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  std::string windowsPath = directory;
  while (!windowsPath.empty() && (windowsPath.back() == '\\' || windowsPath.back() == '/'))
    windowsPath.pop_back();
  // A link in the tree's place goes as a link: what it points at is not the tree.
  if (S_ISLNK(st.st_mode)) return DeleteEntry(anchor->Folder(), anchor->Name(), st, windowsPath, *hostPath);
  if (!S_ISDIR(st.st_mode)) return true;
  return RemoveFolderIn(anchor->Folder(), anchor->Name(), windowsPath, *hostPath);
}

}  // namespace

bool RemoveTree(const std::string& directory) {
  const bool removed = RemoveTreeOnce(directory);
  // Folders went, or some of them did.
  posix::ForgetWalkedFolders();
  return removed;
}

}  // namespace platform
