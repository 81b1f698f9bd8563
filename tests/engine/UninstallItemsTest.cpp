#include "engine/SE_Uninstall_Items.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "engine/SE_Uninstall_List.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_Global.h"
#include "support/HostFiles.h"
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
  InstallDir() = prefix.Path("C:\\Games\\Demo\\");
  TUninstallList list;
  list.AddFile(prefix.Path("C:\\Games\\Demo\\bin\\x.dll"));
  ASSERT_EQ(list.Files()[0], "$INSTDIRbin\\x.dll");
  // ... removed on a machine where the game lives in D:\Demo\ (here C:\Other\).
  InstallDir() = prefix.Path("C:\\Other\\");
  fs::create_directories(prefix.DriveC() / "Other" / "bin");
  std::ofstream(prefix.DriveC() / "Other" / "bin" / "x.dll") << "x";
  EXPECT_TRUE(RemoveRecordedFile(list.Files()[0]));
  EXPECT_FALSE(fs::exists(prefix.DriveC() / "Other" / "bin" / "x.dll"));
  EXPECT_FALSE(RemoveRecordedFile(list.Files()[0]));  // already gone: passed over
}

// Three add-ons replaced game.dat one after the other (A, then B, then C), each
// keeping the version it found; A also made a.txt, which B then replaced. Whatever
// order they are uninstalled in, the file in place is always the version of the
// newest add-on still installed, and the game's own once they are all gone.
TEST_F(UninstallItemsOnMachine, AddOnsSharingAFileGiveItBackInAnyUninstallOrder) {
  const fs::path game = prefix.DriveC() / "Games" / "Demo";
  const std::vector<std::string> addOns = {"A_", "B_", "C_"};  // in the order installed
  auto write = [](const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  };
  auto installAll = [&] {
    fs::remove_all(game);
    write(game / "game.dat", "C's");
    write(game / "a.txt", "B's a");
    write(game / "A_backup" / "INSTDIRgame.dat", "the game's");
    write(game / "B_backup" / "INSTDIRgame.dat", "A's");
    write(game / "B_backup" / "INSTDIRa.txt", "A's a");
    write(game / "C_backup" / "INSTDIRgame.dat", "B's");
    // The install logs tell when each run ended.
    const auto now = fs::file_time_type::clock::now();
    for (size_t i = 0; i < addOns.size(); ++i) {
      write(game / (addOns[i] + "install.log"), "");
      fs::last_write_time(game / (addOns[i] + "install.log"), now - std::chrono::minutes(10 - int(i)));
    }
  };
  auto uninstall = [&](const std::string& addOn) {
    std::vector<std::string> items = {"$INSTDIRgame.dat"};
    if (addOn != "C_") items.push_back("$INSTDIRa.txt");
    TFileUninstaller files(prefix.Path("C:\\Games\\Demo\\"), addOn);
    for (const std::string& item : items) files.Uninstall(item);
    RemoveTree(files.BackupFolderPath());
    fs::remove(game / (addOn + "install.log"));
  };
  const std::map<std::string, std::string> gameVersion = {
      {"A_", "A's"}, {"B_", "B's"}, {"C_", "C's"}, {"", "the game's"}};
  const std::map<std::string, std::string> aVersion = {{"A_", "A's a"}, {"B_", "B's a"}, {"", "<none>"}};

  InstallDir() = prefix.Path("C:\\Games\\Demo\\");
  std::vector<std::string> order = addOns;
  do {
    std::string trace;
    for (const std::string& addOn : order) trace += addOn + " ";
    SCOPED_TRACE("uninstalled in the order " + trace);
    installAll();
    std::vector<std::string> left = addOns;
    for (const std::string& addOn : order) {
      uninstall(addOn);
      left.erase(std::find(left.begin(), left.end(), addOn));
      const std::string newest = left.empty() ? "" : left.back();
      std::string newestOfA;  // C left a.txt alone
      for (const std::string& other : left)
        if (other != "C_") newestOfA = other;
      EXPECT_EQ(testing_support::ReadHostFile(game / "game.dat"), gameVersion.at(newest))
          << "after " << addOn;
      EXPECT_EQ(fs::exists(game / "a.txt") ? testing_support::ReadHostFile(game / "a.txt") : "<none>",
                aVersion.at(newestOfA))
          << "after " << addOn;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(game), fs::directory_iterator()), 1);
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(UninstallItemsOnMachine, DirectoriesGoOnlyWhenEmpty) {
  fs::create_directories(prefix.DriveC() / "Demo" / "full");
  std::ofstream(prefix.DriveC() / "Demo" / "full" / "saved.dat") << "keep";
  fs::create_directories(prefix.DriveC() / "Demo" / "empty");
  EXPECT_TRUE(RemoveRecordedDirectory(prefix.Path("C:\\Demo\\empty\\")));
  EXPECT_FALSE(RemoveRecordedDirectory(prefix.Path("C:\\Demo\\full")));
  EXPECT_FALSE(RemoveRecordedDirectory(prefix.Path("C:\\Demo\\missing")));
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
