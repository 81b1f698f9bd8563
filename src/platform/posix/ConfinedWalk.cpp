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

// Opens the next folder down without following a link; a link there is told apart.
int OpenFolderBelow(int folder, const std::string& name, bool& isLink) {
  isLink = false;
  const int next = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (next >= 0) return next;
  const int reason = errno;
  struct stat st;
  isLink = fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
  errno = isLink ? ELOOP : reason;
  return -1;
}

// The Windows path of the folder a walk opens as its index-th below the confined one.
std::string WindowsFolderPath(const detail::ConfinedPath& confined, size_t index) {
  std::string path = confined.root;
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  for (size_t i = 0; i <= index && i < confined.components.size(); ++i) path += "\\" + confined.components[i];
  return path;
}

bool HoldsBelow(const std::string& hostRoot, const std::string& hostPath) {
  return hostPath.size() > hostRoot.size() + 1 && hostPath.compare(0, hostRoot.size(), hostRoot) == 0 &&
         hostPath[hostRoot.size()] == '/';
}

// A kept folder that was deleted meanwhile is not acted in: a file made in it would be
// lost with it, yet reported as made. (A file without a name may be made in it: naming
// it is a change, which checks the folder again.)
bool StillThere(const OpenFolder& folder) {
  struct stat st;
  return fstat(folder.Descriptor(), &st) == 0 && st.st_nlink > 0;
}

// Starts a chain at the confined folder, taken as named.
bool StartChain(WalkedChain& chain, const detail::ConfinedPath& confined) {
  const auto hostRoot = ResolveHostPath(confined.root);
  if (!hostRoot) {
    errno = ENOENT;
    return false;
  }
  const int root = open(hostRoot->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (root < 0) return false;
  chain.windowsRoot = confined.root;
  chain.hostRoot = *hostRoot;
  chain.folders.push_back(std::make_shared<const OpenFolder>(root));
  return true;
}

// Opens the folders of names[from] to names[folderCount - 1] below the chain's last.
bool ExtendChain(WalkedChain& chain, const detail::ConfinedPath& confined,
                 const std::vector<std::string>& names, size_t from, size_t folderCount) {
  for (size_t i = from; i < folderCount; ++i) {
    bool isLink = false;
    const int next = OpenFolderBelow(chain.folders.back()->Descriptor(), names[i], isLink);
    if (next < 0) {
      // A link is refused by the name the change spelled.
      if (isLink) detail::NoteRefusedLink(WindowsFolderPath(confined, i));
      return false;
    }
    chain.folders.push_back(std::make_shared<const OpenFolder>(next));
    chain.names.push_back(names[i]);
  }
  return true;
}

// Walks to the folder of hostPath from the deepest folder the chain shares with it,
// opening the rest; the chain holds that folder afterwards. A folder kept from an
// earlier walk is as safe to act in as one opened now: it was opened the same way, a
// real folder (never a link) reached from the confined folder, and a descriptor keeps
// naming the folder it opened whatever is renamed or linked in its place afterwards;
// a walk made now has the same window between its check and the change, only a
// shorter one. What could make a kept folder wrong where a fresh walk would not be
// is dropped first: the program's own removals and renames of folders and changes of
// the confined folders (WalkedFolders.h), and a folder deleted by someone else.
std::optional<Anchor> WalkFromChain(WalkedChain& chain, const detail::ConfinedPath& confined,
                                    const std::string& hostPath, AnchorUse use) {
  const bool reused = !chain.folders.empty();
  if (!reused && !StartChain(chain, confined)) return std::nullopt;
  // The host path of a name below the folder is the folder's followed by host names;
  // anything else (a name spelled in two letter cases on the host) is not walked.
  if (!HoldsBelow(chain.hostRoot, hostPath)) {
    errno = ENOENT;
    return std::nullopt;
  }
  const std::vector<std::string> names = HostNamesBelow(chain.hostRoot, hostPath);
  const size_t folderCount = names.size() - 1;
  size_t shared = 0;
  while (shared < chain.names.size() && shared < folderCount && chain.names[shared] == names[shared])
    ++shared;
  // A path in a folder on the chain (a folder's own, then a file's in it) keeps the
  // folders below; any other drops what it does not share.
  if (shared < folderCount) {
    chain.names.resize(shared);
    chain.folders.resize(shared + 1);
  }
  if (reused && use == AnchorUse::Change && !StillThere(*chain.folders[shared])) {
    errno = ENOENT;
    return std::nullopt;
  }
  if (!ExtendChain(chain, confined, names, shared, folderCount)) return std::nullopt;
  return Anchor(chain.folders[folderCount], names.back());
}

// A walk from a kept chain that fails is made again from the confined folder, so that
// every failure is one a fresh walk meets.
std::optional<Anchor> WalkKeeping(WalkedChain& chain, const detail::ConfinedPath& confined,
                                  const std::string& hostPath, AnchorUse use) {
  if (chain.windowsRoot != confined.root) chain.Clear();
  const bool reused = !chain.folders.empty();
  auto anchor = WalkFromChain(chain, confined, hostPath, use);
  if (anchor || !reused) return anchor;
  chain.Clear();
  detail::NoteRefusedLink(std::string());
  return WalkFromChain(chain, confined, hostPath, use);
}

}  // namespace

std::optional<Anchor> AnchorOf(const std::string& windowsPath, const std::string& hostPath, AnchorUse use) {
  const auto confined = detail::ConfinementOf(windowsPath);
  if (!confined) return Anchor(hostPath);
  detail::NoteRefusedLink(std::string());
  std::optional<Anchor> anchor;
  UseThisThreadsChain([&](WalkedChain& chain) { anchor = WalkKeeping(chain, *confined, hostPath, use); });
  if (!anchor) return std::nullopt;
  detail::RunConfinedChangeHook();
  return anchor;
}

}  // namespace platform::posix
