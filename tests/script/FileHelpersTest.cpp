#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "lang/ZTI_Language.h"
#include "package/ZTI_PakFile.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/ShellLink.h"
#include "script/SE_Global.h"
#include "script/ZTI_PakExtract.h"
#include "support/LanguageBytes.h"
#include "support/PakBytes.h"
#include "support/Recorders.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

class FileHelpers : public ::testing::Test {
 protected:
  void SetUp() override { platform::FileExists(P("C:\\")); }
  // The machine's path for one written as on drive C:.
  std::string P(std::string_view path) const { return prefix.Path(path); }
  // The record of a created directory.
  std::string Dir(std::string_view path) const { return "dir " + P(path); }
  TempPrefix prefix;
  RecordingRecorder recorder;
};

TEST_F(FileHelpers, ForceDirectoryCreatesAndRecordsOnlyWhatWasMissing) {
  ASSERT_TRUE(platform::MakeDirectory(P("C:\\A")));
  ForceDirectory(P("C:\\A\\B\\C"));
  EXPECT_EQ(recorder.records, (Strings{Dir("C:\\A\\B\\"), Dir("C:\\A\\B\\C")}));
  EXPECT_TRUE(fs::is_directory(prefix.DriveC() / "A" / "B" / "C"));
  recorder.records.clear();
  ForceDirectory(P("C:\\A\\B\\C\\"));
  ForceDirectory(P("C:\\a\\b\\D\\"));  // existing components match without case
  EXPECT_EQ(recorder.records, (Strings{Dir("C:\\a\\b\\D\\")}));
  recorder.records.clear();
  for (const char* ignored : {"", "C:\\", "C:", "relative\\dir", "\\\\server\\share\\x"})
    ForceDirectory(ignored);
  EXPECT_TRUE(recorder.records.empty());
}

TEST_F(FileHelpers, WriteWholeFileMakesItsDirectoriesAndOverwrites) {
  const std::string text = "hello";
  ASSERT_TRUE(WriteWholeFile(P("C:\\Out\\sub\\a.txt"), reinterpret_cast<const uint8_t*>(text.data()), 5));
  EXPECT_EQ(recorder.records, (Strings{Dir("C:\\Out\\"), Dir("C:\\Out\\sub")}));
  ASSERT_TRUE(WriteWholeFile(P("C:\\Out\\sub\\a.txt"), reinterpret_cast<const uint8_t*>("x"), 1));
  EXPECT_EQ(fs::file_size(prefix.DriveC() / "Out" / "sub" / "a.txt"), 1u);
  ASSERT_TRUE(WriteWholeFile(P("C:\\Out\\empty.txt"), nullptr, 0));
  EXPECT_EQ(fs::file_size(prefix.DriveC() / "Out" / "empty.txt"), 0u);
  EXPECT_FALSE(WriteWholeFile("Q:\\no drive\\x.txt", nullptr, 0));
}

TEST_F(FileHelpers, RemoveTreeRemovesDepthFirstAndRefusesRoots) {
  const fs::path root = prefix.DriveC() / "Tree";
  fs::create_directories(root / "a" / "b" / "c");
  fs::create_directories(root / "d");
  std::ofstream(root / "f1.txt") << "1";
  std::ofstream(root / "a" / "b" / "f2.txt") << "2";
  std::ofstream(root / "a" / "b" / "c" / "f3.txt") << "3";
  EXPECT_TRUE(RemoveTree(P("C:\\Tree\\")));
  EXPECT_FALSE(fs::exists(root));
  EXPECT_TRUE(RemoveTree(P("C:\\Tree")));  // nothing there: nothing to do
  std::ofstream(prefix.DriveC() / "keep.txt") << "k";

  // A link inside the tree goes as a link; the folder it points at keeps its files.
  fs::create_directories(root / "x");
  fs::create_directories(prefix.DriveC() / "Elsewhere");
  std::ofstream(prefix.DriveC() / "Elsewhere" / "precious.txt") << "p";
  std::error_code noLinks;  // Windows makes links only for privileged users
  fs::create_directory_symlink(prefix.DriveC() / "Elsewhere", root / "x" / "linked", noLinks);
  EXPECT_TRUE(RemoveTree(P("C:\\Tree")));
  EXPECT_FALSE(fs::exists(root));
  EXPECT_TRUE(fs::exists(prefix.DriveC() / "Elsewhere" / "precious.txt"));

  // A link in the tree's own place (a backup folder swapped for a link) goes as a link.
  fs::create_directory_symlink(prefix.DriveC() / "Elsewhere", root, noLinks);
  if (!noLinks) {
    EXPECT_TRUE(RemoveTree(P("C:\\Tree\\")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(root)));
    EXPECT_TRUE(fs::exists(prefix.DriveC() / "Elsewhere" / "precious.txt"));
  }

  for (const char* refused : {"", "C:", "C:\\", "c:\\\\", "\\"}) EXPECT_FALSE(RemoveTree(refused));
  EXPECT_TRUE(fs::exists(prefix.DriveC() / "keep.txt"));
}

TEST_F(FileHelpers, ShortcutsSetTheIconOnlyWhenItDiffers) {
  ASSERT_TRUE(CreateShortcutSimple(P("C:\\Menu\\Demo\\Play.lnk"), P("C:\\Games\\Demo\\demo.exe"), "-x"));
  EXPECT_EQ(recorder.records, (Strings{Dir("C:\\Menu\\"), Dir("C:\\Menu\\Demo")}));
  platform::ShellLink simple;
  simple.target = P("C:\\Games\\Demo\\demo.exe");
  simple.arguments = "-x";
  simple.workingDirectory = P("C:\\Games\\Demo");
  // The same link written directly beside it (a link records its path relative to
  // its own folder) must have the same bytes.
  ASSERT_TRUE(platform::WriteShellLink(P("C:\\Menu\\Demo\\Expected.lnk"), simple));
  EXPECT_EQ(platform::ReadWholeFile(P("C:\\Menu\\Demo\\Play.lnk")),
            platform::ReadWholeFile(P("C:\\Menu\\Demo\\Expected.lnk")));

  ASSERT_TRUE(CreateShortcutWithIcon(P("C:\\Menu\\Demo\\Help.lnk"), P("C:\\Games\\Demo\\help.txt"), "",
                                     P("C:\\Games\\Demo\\demo.exe")));
  platform::ShellLink withIcon;
  withIcon.target = P("C:\\Games\\Demo\\help.txt");
  withIcon.workingDirectory = P("C:\\Games\\Demo");
  withIcon.iconPath = P("C:\\Games\\Demo\\demo.exe");
  ASSERT_TRUE(platform::WriteShellLink(P("C:\\Menu\\Demo\\Expected.lnk"), withIcon));
  EXPECT_EQ(platform::ReadWholeFile(P("C:\\Menu\\Demo\\Help.lnk")),
            platform::ReadWholeFile(P("C:\\Menu\\Demo\\Expected.lnk")));
  // Without the icon the bytes differ: the icon location is really written.
  withIcon.iconPath.clear();
  ASSERT_TRUE(platform::WriteShellLink(P("C:\\Menu\\Demo\\Expected.lnk"), withIcon));
  EXPECT_NE(platform::ReadWholeFile(P("C:\\Menu\\Demo\\Help.lnk")),
            platform::ReadWholeFile(P("C:\\Menu\\Demo\\Expected.lnk")));
}

TEST_F(FileHelpers, ShellFolders) {
  // A 32-bit program on 64-bit Windows is given the (x86) folder by the system.
  EXPECT_THAT(SpecialFolder(platform::kFolderProgramFiles),
              testing::AnyOf(testing::Eq("C:\\Program Files"), testing::Eq("C:\\Program Files (x86)")));
  EXPECT_FALSE(SpecialFolder(platform::kFolderPrograms).empty());
}

TEST_F(FileHelpers, TheStandardBindingExtractsRecordsAndSteps) {
  UseEnglishStatusTexts();
  RecordingSink sink;
  const Bytes package = BuildPackage({StoredEntry("readme.txt", "read me", 1),
                                      CompressedEntry("data\\maps\\m.map", std::string(999, 'm'), 1),
                                      StoredEntry("other", "x", 2)});
  ASSERT_TRUE(platform::WriteFileBytes(P("C:\\setup.exe"), package.data(), package.size()));
  TPak pak;
  pak.Create(P("C:\\setup.exe"), false, false);
  ExtractGroupToDirectory(pak, P("C:\\Games\\Demo"), 1);
  EXPECT_EQ(recorder.records,
            (Strings{"file " + P("C:\\Games\\Demo\\readme.txt"), Dir("C:\\Games\\"), Dir("C:\\Games\\Demo"),
                     "file " + P("C:\\Games\\Demo\\data\\maps\\m.map"), Dir("C:\\Games\\Demo\\data\\"),
                     Dir("C:\\Games\\Demo\\data\\maps")}));
  EXPECT_EQ(sink.events, (Strings{"status Extracting readme.txt", "gauge 1",
                                  "status Extracting data\\maps\\m.map", "gauge 2", "status Extracting "}));
  EXPECT_EQ(fs::file_size(prefix.DriveC() / "Games" / "Demo" / "data" / "maps" / "m.map"), 999u);
  std::ifstream in(prefix.DriveC() / "Games" / "Demo" / "readme.txt");
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "read me");
  EXPECT_FALSE(fs::exists(prefix.DriveC() / "Games" / "Demo" / "other"));
  Languages() = TLanguages();
}

}  // namespace
