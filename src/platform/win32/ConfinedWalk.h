// The way to a path below a confined folder (platform/ConfinedFolders.h) on Windows:
// every folder from the confined one down to the path's own folder is opened without
// following a reparse point, checked to be none, and held open without letting anyone
// rename or delete it, so that the path keeps naming the folders that were checked
// until the change is done. The change itself then acts on a handle of the last name,
// opened without following it either (FILE_FLAG_OPEN_REPARSE_POINT).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace platform::win32 {

class PinnedWay {
 public:
  PinnedWay() = default;
  ~PinnedWay();
  PinnedWay(PinnedWay&& other) noexcept;
  PinnedWay& operator=(PinnedWay&&) = delete;
  PinnedWay(const PinnedWay&) = delete;
  PinnedWay& operator=(const PinnedWay&) = delete;

  // Whether the path lies below a confined folder (else nothing is held).
  bool Confined() const { return confined_; }
  void Hold(HANDLE folder) { held_.push_back(folder); }
  void MarkConfined() { confined_ = true; }

 private:
  bool confined_ = false;
  std::vector<HANDLE> held_;
};

// Nothing (last error set; for a reparse point on the way ERROR_CANT_ACCESS_FILE, the
// point noted for LastErrorText) when a folder on the way is a link or cannot be held.
std::optional<PinnedWay> PinWayTo(const std::string& path);

// A handle of the path's last name itself, a reparse point included, with the access
// asked; INVALID_HANDLE_VALUE on failure.
HANDLE OpenNameItself(const std::string& path, DWORD access);

// The attributes and reparse tag of an open handle; false on failure.
bool TagOf(HANDLE handle, FILE_ATTRIBUTE_TAG_INFO& tag);

// Marks the open name for deletion, which happens when the handle is closed.
bool DeleteByHandle(HANDLE handle);

// Gives the open name the new (full) path; replace allows an existing target to go.
bool RenameByHandle(HANDLE handle, const std::string& newPath, bool replace);

}  // namespace platform::win32
