#include "platform/posix/ConfinedWalk.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/ConfinedFolders.h"
#include "platform/posix/PathMap.h"

namespace platform::posix {

namespace {

std::vector<std::string> HostNamesBelow(const std::string& hostRoot, const std::string& hostPath) {
  std::vector<std::string> names;
  size_t start = hostRoot.size() + 1;
  while (start < hostPath.size()) {
    size_t end = hostPath.find('/', start);
    if (end == std::string::npos) end = hostPath.size();
    if (end > start) names.push_back(hostPath.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

// Opens the next folder down without following a link; a link is refused by name.
int OpenFolderBelow(int folder, const std::string& name, const std::string& windowsPath) {
  const int next = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (next >= 0) return next;
  const int reason = errno;
  struct stat st;
  if (fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
    detail::NoteRefusedLink(windowsPath);
    errno = ELOOP;
  } else {
    errno = reason;
  }
  return -1;
}

}  // namespace

Anchor::~Anchor() {
  if (folder_ >= 0) close(folder_);
}

Anchor::Anchor(Anchor&& other) noexcept : folder_(other.folder_), name_(std::move(other.name_)) {
  other.folder_ = AT_FDCWD;
}

std::optional<Anchor> AnchorOf(const std::string& windowsPath, const std::string& hostPath) {
  const auto confined = detail::ConfinementOf(windowsPath);
  if (!confined) return Anchor(AT_FDCWD, hostPath);
  detail::NoteRefusedLink(std::string());
  const auto hostRoot = ResolveHostPath(confined->root);
  // The host path of a name below the folder is the folder's followed by host names;
  // anything else (a name spelled in two letter cases on the host) is not walked.
  if (!hostRoot || hostPath.size() <= hostRoot->size() + 1 ||
      hostPath.compare(0, hostRoot->size(), *hostRoot) != 0 || hostPath[hostRoot->size()] != '/') {
    errno = ENOENT;
    return std::nullopt;
  }
  const std::vector<std::string> names = HostNamesBelow(*hostRoot, hostPath);
  int folder = open(hostRoot->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  std::string windowsSoFar = confined->root;
  while (!windowsSoFar.empty() && (windowsSoFar.back() == '\\' || windowsSoFar.back() == '/'))
    windowsSoFar.pop_back();
  for (size_t i = 0; folder >= 0 && i + 1 < names.size(); ++i) {
    if (i < confined->components.size()) windowsSoFar += "\\" + confined->components[i];
    const int next = OpenFolderBelow(folder, names[i], windowsSoFar);
    const int reason = errno;
    close(folder);
    errno = reason;
    folder = next;
  }
  if (folder < 0) return std::nullopt;
  detail::RunConfinedChangeHook();
  return Anchor(folder, names.back());
}

}  // namespace platform::posix
