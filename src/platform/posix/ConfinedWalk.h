// Where a change on Linux acts: a folder descriptor and a name in it. For a path below
// a confined folder (platform/ConfinedFolders.h) the folder is reached from the
// confined one a component at a time with O_NOFOLLOW, so that the *at call made on it
// acts in the folder the walk checked, whatever is renamed or linked meanwhile; for
// any other path the folder is the current directory and the name the whole host path.
#pragma once

#include <fcntl.h>

#include <optional>
#include <string>

namespace platform::posix {

class Anchor {
 public:
  Anchor(int folder, std::string name) : folder_(folder), name_(std::move(name)) {}
  ~Anchor();
  Anchor(Anchor&& other) noexcept;
  Anchor& operator=(Anchor&&) = delete;
  Anchor(const Anchor&) = delete;
  Anchor& operator=(const Anchor&) = delete;

  int Folder() const { return folder_; }
  const char* Name() const { return name_.c_str(); }

 private:
  int folder_ = AT_FDCWD;  // owned unless AT_FDCWD
  std::string name_;
};

// The anchor of a Windows path whose host path is hostPath. Nothing (errno set) when a
// component on the way below a confined folder is a link (ELOOP, the link noted for
// LastErrorText) or cannot be opened.
std::optional<Anchor> AnchorOf(const std::string& windowsPath, const std::string& hostPath);

}  // namespace platform::posix
