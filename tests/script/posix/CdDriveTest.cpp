// The first CD-ROM drive of a Wine-style prefix: its drive links and the drive types
// Wine keeps in the registry.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "script/SE_Shell.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;

TEST(CdDrive, TheFirstCdRomInLetterOrderIsFound) {
  testing_support::TempPrefix prefix;
  platform::FileExists("C:\\");   // lays out the prefix
  EXPECT_EQ(FirstCDDrive(), "");  // a fresh prefix has none

  // Drives F: (a CD-ROM) and E: (fixed); the first CD-ROM in letter order wins.
  for (const char* letter : {"e", "f"}) {
    fs::create_directories(prefix.Root() / (std::string("media_") + letter));
    fs::create_directory_symlink(prefix.Root() / (std::string("media_") + letter),
                                 prefix.Root() / "dosdevices" / (std::string(letter) + ":"));
  }
  auto drives =
      platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, "Software\\Wine\\Drives", true);
  ASSERT_TRUE(drives->WriteString("f:", "cdrom"));
  drives->Close();
  EXPECT_EQ(FirstCDDrive(), "F:\\");
}

}  // namespace
