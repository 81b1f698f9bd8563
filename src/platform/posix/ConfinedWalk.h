// Where a change on Linux acts: a folder descriptor and a name in it. For a path below
// a confined folder (platform/ConfinedFolders.h) the folder is reached from the
// confined one a component at a time with O_NOFOLLOW, so that the *at call made on it
// acts in the folder the walk checked, whatever is renamed or linked meanwhile; for
// any other path the folder is the current directory and the name the whole host path.
#pragma once

#include <fcntl.h>

#include <optional>
#include <string>

#include "platform/posix/WalkedFolders.h"

namespace platform::posix {

class Anchor {
 public:
  // A whole host path, from the current directory.
  explicit Anchor(std::string hostPath) : name_(std::move(hostPath)) {}
  Anchor(SharedFolder folder, std::string name) : folder_(std::move(folder)), name_(std::move(name)) {}
  Anchor(Anchor&&) noexcept = default;
  Anchor& operator=(Anchor&&) noexcept = default;
  Anchor(const Anchor&) = delete;
  Anchor& operator=(const Anchor&) = delete;

  int Folder() const { return folder_ ? folder_->Descriptor() : AT_FDCWD; }
  const char* Name() const { return name_.c_str(); }

 private:
  SharedFolder folder_;  // none: the current directory
  std::string name_;
};

// What an anchor is for: a change, or a file without a name, made in the folder and
// named there later by a change of its own (which makes sure of the folder then).
enum class AnchorUse { Change, UnnamedFile };

// The anchor of a Windows path whose host path is hostPath. Nothing (errno set) when a
// component on the way below a confined folder is a link (ELOOP, the link noted for
// LastErrorText) or cannot be opened. The folders walked are kept for the thread's next
// change (platform/posix/WalkedFolders.h).
std::optional<Anchor> AnchorOf(const std::string& windowsPath, const std::string& hostPath,
                               AnchorUse use = AnchorUse::Change);

}  // namespace platform::posix
