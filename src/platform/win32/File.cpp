// The File class on the Win32 API. Sharing follows what the program's callers rely
// on: a file opened for reading may be read and written by others meanwhile; a file
// opened for writing may only be read by others.
#include "platform/Files.h"
#include "platform/FaultInjection.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/LongPath.h"
#include "platform/win32/WinText.h"

namespace platform {

namespace {

HANDLE Handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// ReadFile and WriteFile move at most 4 GiB - 1 per call.
constexpr size_t kMaxChunk = 1u << 30;

}  // namespace

File File::Open(const std::string& path, OpenMode mode) {
  const std::wstring systemPath = win32::SystemPath(path);
  if (mode == OpenMode::ReadShared || mode == OpenMode::ReadKeepShut) {
    const DWORD share = mode == OpenMode::ReadShared ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    const HANDLE handle = CreateFileW(systemPath.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle == INVALID_HANDLE_VALUE ? File() : File(reinterpret_cast<intptr_t>(handle));
  }
  // A read-only file is never written, whoever runs the program (Wine lets root).
  const DWORD attributes = GetFileAttributesW(systemPath.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return File();
  }
  const DWORD access = GENERIC_READ | GENERIC_WRITE;
  const auto open = [&](DWORD disposition) {
    return CreateFileW(systemPath.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (mode == OpenMode::ReadWrite) {
    handle = open(OPEN_EXISTING);
  } else if (mode == OpenMode::CreateNew) {
    handle = open(CREATE_NEW);  // fails on any name already there, a reparse point too
  } else {
    // CREATE_ALWAYS would refuse an existing hidden or system file, whose attributes
    // it cannot keep; an existing file is emptied in place instead, attributes and all.
    // One retry each way covers a file made or removed by someone else meanwhile.
    for (int attempt = 0; attempt < 2 && handle == INVALID_HANDLE_VALUE; ++attempt) {
      handle = open(CREATE_NEW);
      if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) break;
      handle = open(TRUNCATE_EXISTING);
      if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND) break;
    }
  }
  return handle == INVALID_HANDLE_VALUE ? File() : File(reinterpret_cast<intptr_t>(handle));
}

int64_t File::Seek(int64_t offset, SeekOrigin origin) {
  if (!IsOpen()) return -1;
  const DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                       : origin == SeekOrigin::Current ? FILE_CURRENT
                                                       : FILE_END;
  LARGE_INTEGER move, now;
  move.QuadPart = offset;  // before the start the system refuses and keeps the position
  if (!SetFilePointerEx(Handle(handle_), move, &now, method)) return -1;
  return now.QuadPart;
}

int64_t File::Position() const {
  if (!IsOpen()) return -1;
  LARGE_INTEGER zero{}, now;
  if (!SetFilePointerEx(Handle(handle_), zero, &now, FILE_CURRENT)) return -1;
  return now.QuadPart;
}

int64_t File::Size() const {
  LARGE_INTEGER size;
  if (!IsOpen() || !GetFileSizeEx(Handle(handle_), &size)) return -1;
  return size.QuadPart;
}

size_t File::Read(void* buffer, size_t count) {
  if (!IsOpen()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  size_t done = 0;
  while (done < count) {
    DWORD got = 0;
    const DWORD ask = static_cast<DWORD>(std::min(count - done, kMaxChunk));
    if (!ReadFile(Handle(handle_), static_cast<char*>(buffer) + done, ask, &got, nullptr)) break;
    if (got == 0) {
      SetLastError(ERROR_HANDLE_EOF);  // the end of the file, for a reader that wanted more
      break;
    }
    done += got;
  }
  return done;
}

size_t File::Write(const void* buffer, size_t count) {
  if (!IsOpen()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (WriteFault fault; detail::TakeWriteFault(fault)) {
    SetLastError(fault == WriteFault::DiskFull ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
    return 0;
  }
  size_t done = 0;
  while (done < count) {
    DWORD put = 0;
    const DWORD ask = static_cast<DWORD>(std::min(count - done, kMaxChunk));
    if (!WriteFile(Handle(handle_), static_cast<const char*>(buffer) + done, ask, &put, nullptr) || put == 0)
      break;
    done += put;
  }
  return done;
}

bool File::ReadExact(void* buffer, size_t count) { return Read(buffer, count) == count; }

// A handle opened without FILE_FLAG_OVERLAPPED reads at the position the OVERLAPPED
// names and waits for the read; the system keeps concurrent reads apart. The file
// pointer is left after the bytes read.
File File::Duplicate() const {
  if (!IsOpen()) return File();
  HANDLE copy = nullptr;
  const HANDLE self = GetCurrentProcess();
  if (!DuplicateHandle(self, Handle(handle_), self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) return File();
  return File(reinterpret_cast<intptr_t>(copy));
}

bool File::ReadAt(uint64_t position, void* buffer, size_t count) const {
  if (!IsOpen()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  size_t done = 0;
  while (done < count) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position + done);
    at.OffsetHigh = static_cast<DWORD>((position + done) >> 32);
    DWORD got = 0;
    const DWORD ask = static_cast<DWORD>(std::min(count - done, kMaxChunk));
    if (!ReadFile(Handle(handle_), static_cast<char*>(buffer) + done, ask, &got, &at)) return false;
    if (got == 0) {
      SetLastError(ERROR_HANDLE_EOF);
      return false;
    }
    done += got;
  }
  return true;
}

bool File::WriteAll(const void* buffer, size_t count) { return Write(buffer, count) == count; }

bool File::SetEndOfFile() { return IsOpen() && ::SetEndOfFile(Handle(handle_)); }

bool File::Flush() { return IsOpen() && FlushFileBuffers(Handle(handle_)); }

// Windows has no files without names.
File File::CreateUnnamed(const std::string&) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return File();
}

bool File::LinkAs(const std::string&) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return false;
}

void File::Close() {
  if (IsOpen()) CloseHandle(Handle(handle_));
  handle_ = kClosed;
}

}  // namespace platform
