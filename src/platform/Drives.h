// Logical drives: their roots in letter order, their types and their free space.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The values are those of the system's drive-type query.
enum class DriveType {
  Unknown = 0,
  NoRootDirectory = 1,
  Removable = 2,
  Fixed = 3,
  Network = 4,
  CdRom = 5,
  RamDisk = 6,
};

// "A:\", "C:\", ... for every drive that exists, in letter order.
std::vector<std::string> LogicalDriveRoots();

// The type of the drive whose root is the first three characters of path ("C:\").
// A text that is not a drive root gives NoRootDirectory.
DriveType DriveTypeOf(const std::string& root);

// The volume serial number of the drive whose root starts path (on Linux the hex
// number in the drive's ".windows-serial" file, as Wine keeps it), 0 when unknown.
uint32_t VolumeSerialNumber(const std::string& root);

// Free bytes available on drive number n (1 = A, 2 = B, 3 = C, ...), or -1 when the
// drive does not exist or cannot be measured.
int64_t FreeBytesOnDrive(int driveNumber);

}  // namespace platform
