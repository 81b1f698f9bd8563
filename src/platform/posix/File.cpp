// The open-file object on Linux: a descriptor, with Windows' refusals kept (a
// read-only file cannot be opened for writing, a folder cannot be opened as a file).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/FaultInjection.h"
#include "platform/Files.h"
#include "platform/posix/ConfinedWalk.h"
#include "platform/posix/PathMap.h"

namespace platform {

namespace {

int Descriptor(intptr_t handle) { return static_cast<int>(handle); }

// Opens the file as the mode asks; -1 when Windows would refuse. Below a confined
// folder a link in the file's place is refused rather than written through.
int OpenHost(const posix::Anchor& at, const std::string& hostPath, OpenMode mode) {
  const bool confined = at.Folder() != AT_FDCWD;
  const int noFollow = confined ? O_NOFOLLOW : 0;
  if (mode == OpenMode::CreateNew) {
    // O_EXCL never follows a link at the name, not even one that points nowhere.
    const int fd = openat(at.Folder(), at.Name(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) posix::NoteNameAdded(hostPath);
    return fd;
  }
  if (mode == OpenMode::CreateTruncate) {
    // A new file, the common case when extracting, costs one call.
    const int fd = openat(at.Folder(), at.Name(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) posix::NoteNameAdded(hostPath);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  struct stat st;
  if (fstatat(at.Folder(), at.Name(), &st, confined ? AT_SYMLINK_NOFOLLOW : 0) != 0) return -1;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return -1;
  }
  if (mode == OpenMode::ReadShared || mode == OpenMode::ReadKeepShut)
    return openat(at.Folder(), at.Name(), O_RDONLY | O_CLOEXEC);
  if (S_ISLNK(st.st_mode)) {
    errno = ELOOP;
    return -1;
  }
  if (!(st.st_mode & S_IWUSR)) {  // the read-only attribute
    errno = EACCES;
    return -1;
  }
  const int flags = mode == OpenMode::ReadWrite ? O_RDWR : O_RDWR | O_TRUNC;
  return openat(at.Folder(), at.Name(), flags | noFollow | O_CLOEXEC);
}

}  // namespace

File File::Open(const std::string& path, OpenMode mode) {
  const auto hostPath = posix::ResolveHostPath(path);
  if (!hostPath) {
    errno = ENOENT;
    return File();
  }
  // Only a change is confined: reading goes by the path as before.
  const auto anchor = mode == OpenMode::ReadShared ? std::optional<posix::Anchor>(posix::Anchor(*hostPath))
                                                   : posix::AnchorOf(path, *hostPath);
  if (!anchor) return File();
  const int fd = OpenHost(*anchor, *hostPath, mode);
  return fd < 0 ? File() : File(fd);
}

File File::CreateUnnamed(const std::string& directory) {
  const auto hostPath = posix::ResolveHostPath(directory);
  if (!hostPath) {
    errno = ENOENT;
    return File();
  }
  // Made in the folder a change there would act in: below a confined folder the one
  // its walk checked, never one a link leads to.
  const auto anchor = posix::AnchorOf(directory, *hostPath, posix::AnchorUse::UnnamedFile);
  if (!anchor) return File();
  const int noFollow = anchor->Folder() != AT_FDCWD ? O_NOFOLLOW : 0;
  const int fd = openat(anchor->Folder(), anchor->Name(), O_TMPFILE | O_RDWR | noFollow | O_CLOEXEC, 0666);
  return fd < 0 ? File() : File(fd);
}

bool File::LinkAs(const std::string& path) {
  const auto hostPath = posix::ResolveHostPath(path);
  if (!IsOpen() || !hostPath) {
    errno = ENOENT;
    return false;
  }
  // The descriptor's name in /proc: linking it by descriptor alone needs privileges.
  const std::string self = "/proc/self/fd/" + std::to_string(Descriptor(handle_));
  const auto anchor = posix::AnchorOf(path, *hostPath);
  if (!anchor || linkat(AT_FDCWD, self.c_str(), anchor->Folder(), anchor->Name(), AT_SYMLINK_FOLLOW) != 0)
    return false;
  posix::NoteNameAdded(*hostPath);
  return true;
}

int64_t File::Seek(int64_t offset, SeekOrigin origin) {
  if (!IsOpen()) return -1;
  const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                     : origin == SeekOrigin::Current ? SEEK_CUR
                                                     : SEEK_END;
  const off_t result = lseek(Descriptor(handle_), static_cast<off_t>(offset), whence);
  return result < 0 ? -1 : static_cast<int64_t>(result);
}

int64_t File::Position() const {
  if (!IsOpen()) return -1;
  const off_t result = lseek(Descriptor(handle_), 0, SEEK_CUR);
  return result < 0 ? -1 : static_cast<int64_t>(result);
}

int64_t File::Size() const {
  struct stat st;
  if (!IsOpen() || fstat(Descriptor(handle_), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

size_t File::Read(void* buffer, size_t count) {
  if (!IsOpen()) {
    errno = EBADF;
    return 0;
  }
  size_t done = 0;
  while (done < count) {
    const ssize_t got = read(Descriptor(handle_), static_cast<char*>(buffer) + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got == 0) errno = ENODATA;  // the end of the file, for a reader that wanted more
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

size_t File::Write(const void* buffer, size_t count) {
  if (!IsOpen()) {
    errno = EBADF;
    return 0;
  }
  if (WriteFault fault; detail::TakeWriteFault(fault)) {
    errno = fault == WriteFault::DiskFull ? ENOSPC : EIO;
    return 0;
  }
  size_t done = 0;
  while (done < count) {
    const ssize_t put = write(Descriptor(handle_), static_cast<const char*>(buffer) + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  return done;
}

bool File::ReadExact(void* buffer, size_t count) { return Read(buffer, count) == count; }

File File::Duplicate() const {
  if (!IsOpen()) return File();
  const int copy = fcntl(Descriptor(handle_), F_DUPFD_CLOEXEC, 0);
  return copy < 0 ? File() : File(copy);
}

bool File::ReadAt(uint64_t position, void* buffer, size_t count) const {
  if (!IsOpen()) {
    errno = EBADF;
    return false;
  }
  size_t done = 0;
  while (done < count) {
    const ssize_t got = pread(Descriptor(handle_), static_cast<char*>(buffer) + done, count - done,
                              static_cast<off_t>(position + done));
    if (got < 0 && errno == EINTR) continue;
    if (got == 0) errno = ENODATA;  // the end of the file
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

bool File::WriteAll(const void* buffer, size_t count) { return Write(buffer, count) == count; }

bool File::SetEndOfFile() {
  const int64_t position = Position();
  return position >= 0 && ftruncate(Descriptor(handle_), static_cast<off_t>(position)) == 0;
}

bool File::Flush() { return IsOpen() && fsync(Descriptor(handle_)) == 0; }

void File::Close() {
  if (IsOpen()) close(Descriptor(handle_));
  handle_ = kClosed;
}

}  // namespace platform
