#include "engine/SE_Uninstall_Items.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/SE_Uninstall_List.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "script/SE_Global.h"
#include "script/ZTI_SetupInfo.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;

TEST(UninstallItems, SplitsRegistryEntryLines) {
  using Fields = std::array<std::string, 4>;
  struct Case {
    const char* line;
    Fields fields;
  } cases[] = {
      {"\"HKCU\" \"Software\\Demo\" \"Path\" \"C:\\My Games\\Demo\"",
       {"HKCU", "Software\\Demo", "Path", "C:\\My Games\\Demo"}},
      {"\"HKCR\" \"demo\" \"\" \"URL:Demo Protocol\"", {"HKCR", "demo", "", "URL:Demo Protocol"}},
      {"HKLM\tKey  Name   Data extra", {"HKLM", "Key", "Name", "Data"}},
      {"\"HKU\" \"a b\"", {"HKU", "a b", "", ""}},
      {"", {"", "", "", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitRegistryEntryLine(c.line), c.fields) << c.line;
}

class UninstallItemsOnMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::FileExists("C:\\");
    SetupInfoFile() = TSetupInfoFile();
    SetupVariables() = TSetupVariables();
  }
  void TearDown() override {
    SetupInfoFile() = TSetupInfoFile();
    SetupVariables() = TSetupVariables();
  }
  testing_support::TempPrefix prefix;
};

TEST_F(UninstallItemsOnMachine, FilesAreFoundThroughThisMachinesDirectories) {
  // Recorded while installing into C:\Games\Demo\ ...
  InstallDir() = "C:\\Games\\Demo\\";
  TUninstallList list;
  list.AddFile("C:\\Games\\Demo\\bin\\x.dll");
  ASSERT_EQ(list.Files()[0], "$INSTDIRbin\\x.dll");
  // ... removed on a machine where the game lives in D:\Demo\ (here C:\Other\).
  InstallDir() = "C:\\Other\\";
  fs::create_directories(prefix.DriveC() / "Other" / "bin");
  std::ofstream(prefix.DriveC() / "Other" / "bin" / "x.dll") << "x";
  EXPECT_TRUE(RemoveRecordedFile(list.Files()[0]));
  EXPECT_FALSE(fs::exists(prefix.DriveC() / "Other" / "bin" / "x.dll"));
  EXPECT_FALSE(RemoveRecordedFile(list.Files()[0]));  // already gone: passed over
}

TEST_F(UninstallItemsOnMachine, DirectoriesGoOnlyWhenEmpty) {
  fs::create_directories(prefix.DriveC() / "Demo" / "full");
  std::ofstream(prefix.DriveC() / "Demo" / "full" / "saved.dat") << "keep";
  fs::create_directories(prefix.DriveC() / "Demo" / "empty");
  EXPECT_TRUE(RemoveRecordedDirectory("C:\\Demo\\empty\\"));
  EXPECT_FALSE(RemoveRecordedDirectory("C:\\Demo\\full"));
  EXPECT_FALSE(RemoveRecordedDirectory("C:\\Demo\\missing"));
  EXPECT_TRUE(fs::exists(prefix.DriveC() / "Demo" / "full" / "saved.dat"));
}

TEST_F(UninstallItemsOnMachine, RegistryValuesAreDeletedAndKeysKept) {
  auto key = platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, "Software\\Demo", true);
  ASSERT_TRUE(key->WriteString("Path", "C:\\Demo"));
  ASSERT_TRUE(key->WriteString("", "demo default"));
  ASSERT_TRUE(key->WriteString("Other", "stays"));
  key->Close();
  EXPECT_TRUE(RemoveRecordedRegistryValue("\"HKCU\" \"Software\\Demo\" \"Path\" \"C:\\Demo\""));
  EXPECT_TRUE(RemoveRecordedRegistryValue("\"hkcu\" \"software\\demo\" \"\" \"demo default\""));
  EXPECT_FALSE(RemoveRecordedRegistryValue("\"HKCU\" \"Software\\Missing\" \"Path\" \"\""));
  key = platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, "Software\\Demo", false);
  ASSERT_TRUE(key.Ok());
  EXPECT_FALSE(key->ReadString("Path"));
  EXPECT_FALSE(key->ReadString(""));
  EXPECT_EQ(key->ReadString("Other"), std::string("stays"));
}

}  // namespace
