#include "platform/posix/Prefix.h"

#include "platform/CodePage.h"
#include "platform/posix/PathMap.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace platform::posix {

const char kSystemRegHeader[] = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n";
const char kUserRegHeader[] =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n";
const char kUserDefRegHeader[] = "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\.Default\n";

namespace {

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
}

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::mutex choiceMutex;
std::string chosenRoot;
bool choiceOpen = false;

bool WinePrefixSet() {
  const char* prefix = std::getenv("WINEPREFIX");
  return prefix && *prefix;
}

// The prefix named with --prefix comes first, then $WINEPREFIX; with neither, ~/.wine,
// unless the setup is still choosing.
std::string PrefixFromEnvironment() {
  std::string root;
  {
    std::lock_guard<std::mutex> lock(choiceMutex);
    if (!chosenRoot.empty()) root = chosenRoot;
    else if (WinePrefixSet()) root = std::getenv("WINEPREFIX");
    else if (choiceOpen) return {};
    else root = HomeDirectory() + "/.wine";
  }
  if (root.front() != '/') root = CurrentDirectory() + "/" + root;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The profile folders a fresh prefix gets; the special-folder defaults point here.
const char* const kUserFolders[] = {
    "Desktop",
    "Documents",
    "AppData/Local/Temp",
    "AppData/Roaming/Microsoft/Windows/Start Menu/Programs",
};

void CreateLayout(const std::string& root) {
  MakeHostDirectories(root + "/drive_c");
  MakeHostDirectories(root + "/drive_c/Program Files");
  MakeHostDirectories(root + "/drive_c/windows/system32");
  const std::string user = root + "/drive_c/users/" + UserName();
  for (const char* folder : kUserFolders) MakeHostDirectories(user + "/" + folder);
  MakeHostDirectories(root + "/drive_c/users/Public");
  CreateHostFileOnce(root + "/system.reg", kSystemRegHeader);
  CreateHostFileOnce(root + "/user.reg", kUserRegHeader);
  CreateHostFileOnce(root + "/userdef.reg", kUserDefRegHeader);
  // The drive links come last: their folder is what marks a prefix as made, so a
  // layout interrupted half-way is completed on the next use.
  const std::string devices = root + "/dosdevices";
  const std::string building = devices + ".new." + std::to_string(getpid());
  MakeHostDirectories(building);
  symlink("../drive_c", (building + "/c:").c_str());
  symlink("/", (building + "/z:").c_str());
  if (rename(building.c_str(), devices.c_str()) != 0) {
    // Another process finished first; its links stand.
    unlink((building + "/c:").c_str());
    unlink((building + "/z:").c_str());
    rmdir(building.c_str());
  }
}

}  // namespace

bool MakeHostDirectories(const std::string& hostPath) {
  if (hostPath.empty()) return false;
  if (IsDirectory(hostPath)) return true;
  for (size_t slash = hostPath.find('/', 1);; slash = hostPath.find('/', slash + 1)) {
    const std::string part = hostPath.substr(0, slash);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return IsDirectory(hostPath);
}

bool CreateHostFileOnce(const std::string& hostPath, const std::string& content) {
  const std::string temp = hostPath + ".new." + std::to_string(getpid());
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool written = write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  close(fd);
  const bool linked = written && link(temp.c_str(), hostPath.c_str()) == 0;
  unlink(temp.c_str());
  return linked;
}

std::string UserName() {
  if (const char* user = std::getenv("USER"); user && *user && !std::strchr(user, '/')) return user;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_name) return entry->pw_name;
  return "user";
}

std::string UserProfilePath() { return "C:\\users\\" + WindowsNameOfHostName(UserName()); }

void SetChosenPrefix(const std::string& root, bool open) {
  std::lock_guard<std::mutex> lock(choiceMutex);
  chosenRoot = root;
  choiceOpen = open;
}

PrefixChoice CurrentPrefixChoice() {
  std::lock_guard<std::mutex> lock(choiceMutex);
  return {chosenRoot, choiceOpen};
}

bool PrefixChoiceOpen() {
  std::lock_guard<std::mutex> lock(choiceMutex);
  return chosenRoot.empty() && choiceOpen && !WinePrefixSet();
}

std::string PrefixRoot() {
  static std::mutex mutex;
  static std::string ready;  // the last prefix whose layout was checked
  std::string root = PrefixFromEnvironment();
  if (root.empty()) return root;
  std::lock_guard<std::mutex> lock(mutex);
  if (root != ready) {
    if (!IsDirectory(root + "/dosdevices")) CreateLayout(root);
    ready = root;
  }
  return root;
}

}  // namespace platform::posix
