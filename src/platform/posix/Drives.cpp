// Drives on Linux: the prefix's dosdevices links, their types from
// HKLM\Software\Wine\Drives (as winecfg records them), their space from the file
// system that holds the link's target.
#include "platform/Drives.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstdio>

#include "platform/CodePage.h"
#include "platform/posix/PathMap.h"
#include "platform/posix/Prefix.h"
#include "platform/posix/RegistryStore.h"

namespace platform {

namespace {

bool IsFolder(const std::string& hostPath) {
  struct stat st;
  return stat(hostPath.empty() ? "/" : hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

char LowerLetter(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

}  // namespace

std::vector<std::string> LogicalDriveRoots() {
  std::vector<std::string> roots;
  const std::string root = posix::PrefixRoot();
  if (root.empty()) return roots;  // no machine chosen yet
  const std::string devices = root + "/dosdevices/";
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    struct stat st;
    // A link that leads nowhere is still a drive (of type "no root directory").
    if (lstat((devices + letter + ":").c_str(), &st) == 0)
      roots.push_back(std::string(1, char(letter - 'a' + 'A')) + ":\\");
  }
  return roots;
}

DriveType DriveTypeOf(const std::string& root) {
  const std::string head = root.substr(0, 3);
  const char letter = head.empty() ? 0 : LowerLetter(head[0]);
  if (letter < 'a' || letter > 'z' || head.size() < 2 || head[1] != ':' ||
      (head.size() == 3 && head[2] != '\\' && head[2] != '/'))
    return DriveType::NoRootDirectory;
  const auto target = posix::DriveTarget(letter);
  if (!target || !IsFolder(*target)) return DriveType::NoRootDirectory;
  const auto type = posix::RegistryString(
      posix::ReadRegistryValue(RegistryRoot::LocalMachine, "Software\\Wine\\Drives",
                               std::string(1, letter) + ":", posix::RegistryView::Native));
  if (!type) return DriveType::Fixed;
  const std::string name = AsciiLower(*type);
  if (name == "cdrom") return DriveType::CdRom;
  if (name == "floppy") return DriveType::Removable;
  if (name == "network") return DriveType::Network;
  if (name == "ramdisk") return DriveType::RamDisk;
  return DriveType::Fixed;  // "hd" and anything winecfg does not know
}

uint32_t VolumeSerialNumber(const std::string& root) {
  const char letter = root.empty() ? 0 : LowerLetter(root[0]);
  if (letter < 'a' || letter > 'z' || root.size() < 2 || root[1] != ':') return 0;
  const auto target = posix::DriveTarget(letter);
  if (!target) return 0;
  std::FILE* file = std::fopen((*target + "/.windows-serial").c_str(), "r");
  if (!file) return 0;
  unsigned serial = 0;
  if (std::fscanf(file, "%x", &serial) != 1) serial = 0;
  std::fclose(file);
  return serial;
}

int64_t FreeBytesOnDrive(int driveNumber) {
  if (driveNumber < 1 || driveNumber > 26) return -1;
  const auto target = posix::DriveTarget(char('a' + driveNumber - 1));
  struct statvfs fs;
  if (!target || !IsFolder(*target) || statvfs(target->empty() ? "/" : target->c_str(), &fs) != 0) return -1;
  return static_cast<int64_t>(fs.f_bavail) * static_cast<int64_t>(fs.f_frsize);
}

}  // namespace platform
