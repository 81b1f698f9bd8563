// The Linux half: the host's file types and UTF-8 names.
#include "platform/FileKinds.h"

#include <sys/stat.h>

#include "platform/CodePage.h"
#include "platform/posix/PathMap.h"

namespace platform {

bool IsDeviceOrPipe(const std::string& path) {
  const auto hostPath = posix::ResolveHostPath(path);
  struct stat st;
  if (!hostPath || stat(hostPath->c_str(), &st) != 0) return false;
  return !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

bool NameFitsCodePage(const std::string& path) {
  const auto hostPath = posix::ResolveHostPath(path);
  if (!hostPath) return true;
  const std::string name = hostPath->substr(hostPath->rfind('/') + 1);
  return IsAscii(name) || AnsiToUtf8(Utf8ToAnsi(name)) == name;
}

}  // namespace platform
