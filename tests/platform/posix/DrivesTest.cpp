#include "platform/Drives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/Registry.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing_support::TempPrefix;

TEST(Drives, TypesComeFromWinesDriveKeyAndDanglingLinksHaveNoRoot) {
  TempPrefix prefix;
  const fs::path root = prefix.Root();
  for (const char* name : {"cd", "net", "floppy", "ram", "disk", "odd"})
    fs::create_directories(root / "mnt" / name);
  const struct {
    char letter;
    const char* target;      // nullptr: no link at all
    const char* registered;  // the value "x:" under HKLM\Software\Wine\Drives
    DriveType type;
  } cases[] = {
      {'c', "../drive_c", nullptr, DriveType::Fixed},
      {'d', "../mnt/cd", "cdrom", DriveType::CdRom},
      {'e', "../mnt/net", "network", DriveType::Network},
      {'f', "../mnt/floppy", "floppy", DriveType::Removable},
      {'g', "../mnt/ram", "RamDisk", DriveType::RamDisk},
      {'h', "../mnt/disk", "hd", DriveType::Fixed},
      {'i', "../mnt/odd", "tape", DriveType::Fixed},
      {'j', "../mnt/gone", "cdrom", DriveType::NoRootDirectory},
      {'k', nullptr, "cdrom", DriveType::NoRootDirectory},
      {'z', "/", nullptr, DriveType::Fixed},
  };
  auto drives = RegistryKey::Open(RegistryRoot::LocalMachine, "Software\\Wine\\Drives", true);
  for (const auto& test : cases) {
    const std::string name(1, test.letter);
    if (test.target && test.letter != 'c' && test.letter != 'z')
      fs::create_symlink(test.target, root / "dosdevices" / (name + ":"));
    if (test.registered) {
      ASSERT_TRUE(drives->WriteString(name + ":", test.registered));
    }
  }
  for (const auto& test : cases) {
    const std::string upper(1, char(test.letter - 'a' + 'A'));
    EXPECT_EQ(DriveTypeOf(upper + ":\\"), test.type) << test.letter;
    EXPECT_EQ(DriveTypeOf(std::string(1, test.letter) + ":\\Games\\x"), test.type) << test.letter;
  }
  for (const char* notARoot : {"", "C", "1:\\", "CC:\\", "\\\\server\\share", "C;\\"})
    EXPECT_EQ(DriveTypeOf(notARoot), DriveType::NoRootDirectory) << notARoot;
  EXPECT_EQ(LogicalDriveRoots(), (std::vector<std::string>{"C:\\", "D:\\", "E:\\", "F:\\", "G:\\", "H:\\",
                                                           "I:\\", "J:\\", "Z:\\"}));
}

TEST(Drives, FreeSpaceIsMeasuredOnTheDrivesTarget) {
  TempPrefix prefix;
  fs::create_symlink("../nowhere", prefix.Root() / "dosdevices/q:");
  // Other tests write files meanwhile, so the two measurements may differ a little;
  // a different file system would differ by far more (or be a different device).
  const uintmax_t before = fs::space(prefix.DriveC()).available;
  const int64_t free = FreeBytesOnDrive(3);
  const uintmax_t after = fs::space(prefix.DriveC()).available;
  constexpr uintmax_t kSlack = 64u << 20;
  EXPECT_GT(free, 0);
  EXPECT_GE(static_cast<uintmax_t>(free) + kSlack, std::min(before, after));
  EXPECT_LE(static_cast<uintmax_t>(free), std::max(before, after) + kSlack);
  EXPECT_EQ(FreeBytesOnDrive('Q' - 'A' + 1), -1);  // a link that leads nowhere
  EXPECT_EQ(FreeBytesOnDrive(4), -1);              // no such drive
  EXPECT_EQ(FreeBytesOnDrive(0), -1);
  EXPECT_EQ(FreeBytesOnDrive(27), -1);
}

}  // namespace
}  // namespace platform
