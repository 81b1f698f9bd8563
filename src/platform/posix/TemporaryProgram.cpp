// A private copy on Linux: a folder of mode 0700 made with mkdir (which never takes
// an existing name), the file made with O_EXCL and O_NOFOLLOW, started through the
// shell's default action (host programs directly, Windows programs through wine).
#include "platform/TemporaryProgram.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/posix/PathMap.h"

namespace platform {

namespace {

std::string RandomHex() {
  unsigned char bytes[8] = {};
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno != EINTR) return std::string();
    if (n > 0) got += static_cast<size_t>(n);
  }
  char text[17];
  for (size_t i = 0; i < sizeof bytes; ++i) std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
  return text;
}

// A new folder for this user alone; its Windows path, or nothing.
std::optional<std::string> MakePrivateFolder() {
  const std::string temp = TempFolder();
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::string random = RandomHex();
    if (random.empty()) return std::nullopt;
    const std::string folder = temp + "\\" + kTemporaryProgramFolderPrefix + random;
    const auto host = posix::ResolveHostPath(folder);
    if (!host) return std::nullopt;
    if (mkdir(host->c_str(), 0700) == 0) {
      posix::NoteNameAdded(*host);
      return folder;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

bool WriteNew(const std::string& hostPath, const void* bytes, size_t size) {
  const int fd = open(hostPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
  if (fd < 0) return false;
  posix::NoteNameAdded(hostPath);
  const auto* at = static_cast<const char*>(bytes);
  size_t left = size;
  while (left > 0) {
    const ssize_t n = write(fd, at, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    at += n;
    left -= static_cast<size_t>(n);
  }
  const int error = errno;
  close(fd);
  errno = error;
  return left == 0;
}

// An ELF program: once started, it no longer needs its name (a script does: its
// interpreter opens it by name after the start).
bool IsBinaryHostProgram(const void* bytes, size_t size) {
  const auto* b = static_cast<const unsigned char*>(bytes);
  return size >= 4 && b[0] == 0x7f && b[1] == 'E' && b[2] == 'L' && b[3] == 'F';
}

}  // namespace

bool StartTemporaryProgram(const std::string& fileName, const void* bytes, size_t size,
                           const std::string& parameters) {
  const std::optional<std::string> folder = MakePrivateFolder();
  if (!folder) return false;
  const std::string path = *folder + "\\" + fileName;
  const std::string hostFolder = *posix::ResolveHostPath(*folder);
  const std::string hostPath = hostFolder + "/" + fileName;
  const bool started = WriteNew(hostPath, bytes, size) && StartWithDefaultAction(path, parameters);
  const int error = errno;
  // A started ELF program keeps its image when its name goes. Wine still has to read
  // a Windows program (and an interpreter its script) after the start: that private
  // copy stays in the user's own temporary folder.
  if (!started || IsBinaryHostProgram(bytes, size)) {
    if (unlink(hostPath.c_str()) == 0) posix::NoteNameRemoved(hostPath);
    if (rmdir(hostFolder.c_str()) == 0) posix::NoteNameRemoved(hostFolder);
  }
  errno = error;
  return started;
}

}  // namespace platform
