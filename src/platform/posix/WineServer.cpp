// Whether a wineserver runs for the prefix. A running server keeps the registry in
// memory and writes it back to the prefix's files when it saves or exits, so a change
// made to the files meanwhile would be lost.
//
// Wine names the server's directory after the prefix directory's device and inode,
// "server-<dev hex>-<inode hex>", and the server holds an fcntl write lock on the file
// "lock" in it for as long as it runs. Upstream Wine puts that directory in
// /tmp/.wine-<uid>/; Debian's Wine puts it in a private directory "wine-XXXXXX" made in
// $TMPDIR or /tmp. Both places are looked at; only a lock that someone holds counts, so
// directories left by servers that ended do not.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/posix/Prefix.h"

namespace platform {

namespace {

bool LockIsHeld(const std::string& lockPath) {
  int fd = open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) fd = open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock query = {};
  query.l_type = F_WRLCK;
  query.l_whence = SEEK_SET;
  const bool held = fcntl(fd, F_GETLK, &query) == 0 && query.l_type != F_UNLCK;
  close(fd);
  return held;
}

// The private "wine-*" directories of this user in a temporary folder.
std::vector<std::string> PrivateServerRoots(const std::string& temp) {
  std::vector<std::string> roots;
  DIR* dir = opendir(temp.c_str());
  if (!dir) return roots;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.rfind("wine-", 0) != 0) continue;
    const std::string path = temp + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid()) roots.push_back(path);
  }
  closedir(dir);
  return roots;
}

}  // namespace

bool PrefixServerRuns(const std::string& prefixFolder) {
  struct stat prefix;
  if (prefixFolder.empty() || stat(prefixFolder.c_str(), &prefix) != 0) return false;
  char serverName[64];
  std::snprintf(serverName, sizeof serverName, "/server-%llx-%llx",
                static_cast<unsigned long long>(prefix.st_dev),
                static_cast<unsigned long long>(prefix.st_ino));
  std::vector<std::string> roots = {"/tmp/.wine-" + std::to_string(getuid())};
  std::vector<std::string> temps = {"/tmp"};
  if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir && *tmpdir && std::string(tmpdir) != "/tmp")
    temps.push_back(tmpdir);
  for (const std::string& temp : temps)
    for (const std::string& root : PrivateServerRoots(temp)) roots.push_back(root);
  for (const std::string& root : roots)
    if (LockIsHeld(root + serverName + "/lock")) return true;
  return false;
}

bool RegistryHeldByRunningServer() { return PrefixServerRuns(posix::PrefixRoot()); }

}  // namespace platform
