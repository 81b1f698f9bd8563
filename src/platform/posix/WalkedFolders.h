// The folders a confined walk opened (platform/posix/ConfinedWalk.h), kept on each
// thread from one change to the next, so that the next path in the same or a nearby
// folder opens only the folders it does not share with the last one. Installing a
// game's data creates thousands of files a few folders deep; walking each one's path
// from the confined folder again was most of the time spent creating them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::posix {

// A folder descriptor a walk opened and checked; closed when the last chain or anchor
// holding it lets it go.
class OpenFolder {
 public:
  explicit OpenFolder(int descriptor) : descriptor_(descriptor) {}
  ~OpenFolder();
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;

  int Descriptor() const { return descriptor_; }

 private:
  int descriptor_;
};
using SharedFolder = std::shared_ptr<const OpenFolder>;

// The last walk of a thread: the confined folder as it was named and found on the
// host, opened, then the folders below it, each opened from the one before by name
// without following a link. Empty when nothing is kept.
struct WalkedChain {
  std::string windowsRoot;
  std::string hostRoot;
  std::vector<SharedFolder> folders;  // folders[0] is the confined folder
  std::vector<std::string> names;     // names[i]: the host name folders[i + 1] was opened by

  void Clear();
};

// Calls use with this thread's chain, which no other thread lets go of meanwhile. The
// chain comes empty when, since it was last used, the program removed or renamed a
// folder or the confined folders changed.
void UseThisThreadsChain(const std::function<void(WalkedChain&)>& use);

// The program removed or renamed a folder: a kept chain may name a folder that is no
// longer where it was walked to, so every thread's chain is dropped before its next use.
void ForgetWalkedFolders();

}  // namespace platform::posix
