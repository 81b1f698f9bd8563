// The installation-directory page: drive types, free space, the folder tree.
#include <gtest/gtest.h>

#include <filesystem>

#include "ui/UiTestSupport.h"
#include "platform/Registry.h"
#include "script/SE_Global.h"

using namespace ui_test;
using testing_support::TempPrefix;
namespace fs = std::filesystem;

namespace {

// Drive D: is a CD-ROM and R: a RAM disk, both with a folder behind them.
void AddOddDrives(const TempPrefix& prefix) {
  auto drives =
      platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine, "Software\\Wine\\Drives", true);
  for (const char* letter : {"d", "r"}) {
    fs::create_directories(prefix.Root() / "mnt" / letter);
    fs::create_symlink(std::string("../mnt/") + letter,
                       prefix.Root() / "dosdevices" / (std::string(letter) + ":"));
  }
  ASSERT_TRUE(drives->WriteString("d:", "cdrom"));
  ASSERT_TRUE(drives->WriteString("r:", "ramdisk"));
}

// The full pages up to the directory page (welcome, language, directory).
void ToDirectoryPage(TFrmMain& form) {
  ASSERT_TRUE(form.SetPagesUp());
  form.NextButton.Click();
  form.NextButton.Click();
  ASSERT_EQ(form.SEPageControl.CurrentKind(), kPageInstallDir);
}

}  // namespace

TEST(InstallDirPage, TheDriveDecidesWhetherNextIsEnabled) {
  TempPrefix prefix;
  AddOddDrives(prefix);
  fs::create_directories(prefix.DriveC() / "Games");
  UseStandardPackage(prefix, "full");
  InstallDir() = "C:\\Games\\Demo";
  TFrmMain form(nullptr, nullptr);
  ToDirectoryPage(form);
  EXPECT_TRUE(form.InstallDirVisited);
  EXPECT_EQ(Utf8(form.InstallDirEdit->Caption()), "C:\\Games\\Demo");
  EXPECT_EQ(InstallDir(), "C:\\Games\\Demo\\");
  EXPECT_FALSE(SetupVariables().SpaceAvailableText.empty());

  const struct {
    const char* typed;
    bool next;
  } cases[] = {
      {"D:\\Games", false},       // CD-ROM
      {"R:\\Games", false},       // RAM disk
      {"Q:\\Games", false},       // no such drive
      {"relative\\path", false},  // no root at all
      {"z:\\tmp\\x", true},      {"c:\\Games\\New Folder", true},
  };
  for (const auto& c : cases) {
    form.InstallDirEdit->UserSetText(Wide(c.typed));
    EXPECT_EQ(form.NextButton.Enabled(), c.next) << c.typed;
  }
  // The last accepted text is the installation directory; the tree shows its nearest
  // existing folder.
  EXPECT_EQ(InstallDir(), "c:\\Games\\New Folder\\");
  EXPECT_EQ(form.InstallDirTree->Tree()->SelectedPath(), "C:\\Games\\");
  // A refused drive leaves the directory as it was.
  form.InstallDirEdit->UserSetText(u"D:\\Elsewhere");
  EXPECT_EQ(InstallDir(), "c:\\Games\\New Folder\\");
  form.InstallDirEdit->UserSetText(u"C:\\Games");
  EXPECT_TRUE(form.NextButton.Enabled());

  // On the ready page the space available is shown for the directory as chosen.
  SetupVariables().SpaceAvailableText = "stale";
  form.InstallDirEdit->UserSetText(u"C:\\Games\\Demo");
  form.NextButton.Click();
  ASSERT_EQ(form.SEPageControl.CurrentKind(), kPageReady);
  EXPECT_EQ(Utf8(form.SpaceAvailableLabel->Caption()),
            "Space available " + SetupVariables().SpaceAvailableText);
  EXPECT_NE(SetupVariables().SpaceAvailableText, "stale");
}

TEST(InstallDirPage, PickingAFolderInTheTreeFillsTheEditBox) {
  TempPrefix prefix;
  fs::create_directories(prefix.DriveC() / "Games" / "Demo");
  UseStandardPackage(prefix, "full");
  InstallDir() = "C:\\Games";
  TFrmMain form(nullptr, nullptr);
  ASSERT_TRUE(form.SetPagesUp());
  TFolderTree& tree = *form.InstallDirTree->Tree();
  EXPECT_EQ(tree.SelectedPath(), "C:\\Games\\");  // moved at set-up, before the page shows
  EXPECT_FALSE(form.InstallDirTree->Visible());

  // Not on the directory page: a pick changes nothing.
  TFolderNode* games = tree.Selected();
  tree.List(*games);
  TFolderNode* demo = games->Children.front().get();
  tree.UserSelect(*demo);
  EXPECT_EQ(Utf8(form.InstallDirEdit->Caption()), "C:\\Games");

  form.NextButton.Click();
  form.NextButton.Click();
  tree.UserSelect(*games);
  tree.UserSelect(*demo);
  EXPECT_EQ(Utf8(form.InstallDirEdit->Caption()), "C:\\Games\\Demo\\");
  EXPECT_EQ(InstallDir(), "C:\\Games\\Demo\\");
}

TEST(InstallDirPage, ChoosingUpFrontMeasuresTheDrive) {
  TempPrefix prefix;
  UseStandardPackage(prefix, "standard");
  TFrmMain form(nullptr, nullptr);
  ASSERT_TRUE(form.SetPagesUp());
  form.ChooseInstallDir("C:\\Games\\Chosen");
  EXPECT_EQ(InstallDir(), "C:\\Games\\Chosen\\");
  EXPECT_GT(SetupVariables().SpaceAvailable, 0u);
  SetupVariables().SpaceAvailable = 7;
  EXPECT_FALSE(MeasureSpaceAvailable("\\\\server\\share"));  // no drive letter: unchanged
  EXPECT_FALSE(MeasureSpaceAvailable("$PROGRAMFILES\\x"));
  EXPECT_EQ(SetupVariables().SpaceAvailable, 7u);
  EXPECT_TRUE(MeasureSpaceAvailable("Q:\\nothing"));  // a missing drive has no space
  EXPECT_EQ(SetupVariables().SpaceAvailable, 0u);
  EXPECT_EQ(SetupVariables().SpaceAvailableText, "0.00 Bytes");
}
