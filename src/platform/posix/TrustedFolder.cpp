#include "platform/TrustedFolder.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/Errors.h"
#include "platform/posix/PathMap.h"

namespace platform {

namespace {

// One level below a folder that is there: made unless a real folder has the name.
Status MakeRealFolder(const std::string& windowsPath) {
  const auto hostPath = posix::ResolveHostPath(windowsPath);
  if (!hostPath) return Status::Failure("\"" + windowsPath + "\" cannot be used: its drive is not mapped");
  if (mkdir(hostPath->c_str(), 0755) == 0) {
    posix::NoteNameAdded(*hostPath);
    return Status::Success();
  }
  if (errno != EEXIST) return Status::SystemFailure("\"" + windowsPath + "\" could not be made");
  struct stat st;
  if (lstat(hostPath->c_str(), &st) != 0)
    return Status::SystemFailure("\"" + windowsPath + "\" cannot be used");
  if (!S_ISDIR(st.st_mode))
    return Status::Failure("\"" + windowsPath + "\" cannot be used: it is a link or a file, not a folder");
  return Status::Success();
}

}  // namespace

Result<std::string> TrustedStateFolder() {
  const std::string programData = "C:\\ProgramData";
  if (const Status made = MakeRealFolder(programData); !made) return made;
  const std::string folder = programData + "\\" + kTrustedFolderName;
  if (const Status made = MakeRealFolder(folder); !made) return made;
  return folder;
}

}  // namespace platform
