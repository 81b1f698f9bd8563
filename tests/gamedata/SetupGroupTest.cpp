// The updaters fed from groups of the setup package, as the script's commands use
// them: the package and the archive named relative to the install directory.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameDataTestSupport.h"
#include "VfsTestSupport.h"
#include "gamedata/SE_VFS.h"
#include "gamedata/VFS_Unit.h"
#include "gamedata/ZT_PakSystem.h"
#include "package/ZTI_PakFile.h"
#include "script/ZTI_SetupInfo.h"
#include "support/PakBytes.h"
#include "support/Recorders.h"
#include "support/TestMachine.h"

namespace {

using namespace gamedata_test;
namespace fs = std::filesystem;

class SetupGroups : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(prefix.DriveC() / "game");
    const std::vector<testing_support::HandEntry> entries = {
        testing_support::CompressedEntry("Data\\Text.txt", std::string(5000, 't'), 1),
        testing_support::StoredEntry("readme.txt", "read me", 1),
        testing_support::CompressedEntry("maps\\m1\\data.bin", std::string(3000, 'm'), 2),
        testing_support::StoredEntry("other.txt", "not mine", 3),
    };
    vfs_test::WriteHost(prefix.DriveC() / "setup.pkg", testing_support::BuildPackage(entries));
    SetupPak().Create(prefix.Path("C:\\setup.pkg"), false, false);
    SetupInfoFile().Info.InstallDir = prefix.Path("C:\\game");
    ASSERT_TRUE(CreateEmptyPackage(prefix.Path("C:\\game\\data.ztp")));
    TVFSFile::Create(prefix.Path("C:\\game\\data.vfs"), 256, 100, 8, "");
  }
  void TearDown() override {
    SetupPak().Close();
    SetupInfoFile().Info.InstallDir.clear();
  }

  testing_support::TempPrefix prefix;
  Dialogs dialogs;
  Progress progress;
  Texts texts;
  testing_support::RecordingRecorder recorder;
};

TEST_F(SetupGroups, PackageAndArchiveTakeTheirGroupsAndRecordNothingForUninstall) {
  PakSystem().UpdatePackage(1, "data.ztp", "pw");
  const auto layout = ReadPackageFile(prefix.Path("C:\\game\\data.ztp"));
  ASSERT_TRUE(layout) << layout.Problem();
  ASSERT_EQ(layout->entries.size(), 2u);
  EXPECT_EQ(layout->entries[0].name, "Data\\Text.txt");
  EXPECT_EQ(layout->entries[0].fullSize, 5000u);
  EXPECT_EQ(layout->entries[1].name, "readme.txt");
  EXPECT_EQ(layout->trailer.password, "pw");

  EXPECT_TRUE(UpdateArchive(2, "data.vfs", true));
  TVFSFile archive;
  archive.Open(prefix.Path("C:\\game\\data.vfs"), true);
  const int32_t node = archive.Tree().FindPath("maps\\m1\\data.bin");
  ASSERT_GE(node, 0);
  EXPECT_EQ(archive.Tree().ReadFileData(node), std::vector<uint8_t>(3000, 'm'));
  EXPECT_EQ(archive.Tree().FindPath("other.txt"), -1);
  EXPECT_EQ(ProgressCounter(), 3);
  EXPECT_TRUE(recorder.records.empty());
}

TEST_F(SetupGroups, EmptyGroupsTouchNothing) {
  const auto before = vfs_test::ReadHost(prefix.DriveC() / "game" / "data.ztp");
  PakSystem().UpdatePackage(9, "data.ztp", "another password");
  PakSystem().UpdatePackage(9, "missing.ztp", "");
  EXPECT_TRUE(UpdateArchive(9, "missing.vfs", true));
  EXPECT_EQ(vfs_test::ReadHost(prefix.DriveC() / "game" / "data.ztp"), before);
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_TRUE(progress.status.empty());
}

}  // namespace
