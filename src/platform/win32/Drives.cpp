// Drives on the Win32 API. Queries of a drive without a medium (an empty CD drive)
// must not ask the player to insert one: critical-error boxes are off around them.
#include "platform/Drives.h"

#include <windows.h>

namespace platform {

namespace {

// Turns the system's "insert a disk" boxes off for one query on this thread only:
// the process-wide mode would also silence the other thread while it is set.
class QuietDriveErrors {
 public:
  QuietDriveErrors() {
    if (!SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_))
      previous_ = GetThreadErrorMode();
  }
  ~QuietDriveErrors() { SetThreadErrorMode(previous_, nullptr); }
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

 private:
  DWORD previous_ = 0;
};

// "X:\" for a text that starts with a drive root, else empty.
std::wstring RootOf(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return std::wstring();
  const char letter = path[0];
  if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z'))) return std::wstring();
  if (path.size() >= 3 && path[2] != '\\' && path[2] != '/') return std::wstring();
  return std::wstring{static_cast<wchar_t>(letter), L':', L'\\'};
}

}  // namespace

std::vector<std::string> LogicalDriveRoots() {
  std::vector<std::string> roots;
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (mask & (1u << i)) roots.push_back(std::string(1, char('A' + i)) + ":\\");
  return roots;
}

DriveType DriveTypeOf(const std::string& root) {
  const std::wstring drive = RootOf(root);
  if (drive.empty()) return DriveType::NoRootDirectory;
  const UINT type = GetDriveTypeW(drive.c_str());
  return type <= DRIVE_RAMDISK ? static_cast<DriveType>(type) : DriveType::Unknown;
}

uint32_t VolumeSerialNumber(const std::string& root) {
  const std::wstring drive = RootOf(root);
  if (drive.empty()) return 0;
  QuietDriveErrors quiet;
  DWORD serial = 0;
  if (!GetVolumeInformationW(drive.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) return 0;
  return serial;
}

int64_t FreeBytesOnDrive(int driveNumber) {
  if (driveNumber < 1 || driveNumber > 26) return -1;
  const wchar_t drive[] = {static_cast<wchar_t>(L'A' + driveNumber - 1), L':', L'\\', 0};
  QuietDriveErrors quiet;
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(drive, &available, nullptr, nullptr)) return -1;
  return static_cast<int64_t>(available.QuadPart);
}

}  // namespace platform
