// Steam on Windows: its folder comes from SteamPath in the user's registry, written in
// lower case with forward slashes; its libraries from its libraryfolders.vdf, with the
// backslashes doubled as Steam writes them.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "stores/GameLocation.h"
#include "stores/StoreLayouts.h"
#include "support/TestMachine.h"

namespace {

using namespace testing_support;

TEST(SteamPath, FindsTheGameInASecondLibraryThroughSteamPath) {
  TestMachine machine;
  const auto steam = machine.DriveC() / "Program Files (x86)" / "Steam";
  const auto second = machine.DriveC() / "SteamLibrary";
  std::string steamPath = machine.Path("C:\\Program Files (x86)\\Steam");
  std::replace(steamPath.begin(), steamPath.end(), '\\', '/');
  steamPath = platform::AsciiLower(steamPath);
  auto key = platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, "Software\\Valve\\Steam", true);
  ASSERT_TRUE(key);
  ASSERT_TRUE(key->WriteString("SteamPath", steamPath));

  WriteStoreFile(
      steam / "steamapps" / "libraryfolders.vdf",
      LibraryFoldersVdf({machine.Path("C:\\Program Files (x86)\\Steam"), machine.Path("C:\\SteamLibrary")}));
  AddSteamGame(second, "1234560", "Harbour");
  AddSteamGame(steam, "1234560", "Harbour", false);  // a stale manifest in the first library

  const std::optional<TGameLocation> found = LocateGame({{"1234560"}, {}});
  ASSERT_TRUE(found);
  EXPECT_TRUE(
      platform::SameTextAscii(found->Folder, machine.Path("C:\\SteamLibrary\\steamapps\\common\\Harbour")))
      << found->Folder;
  EXPECT_NE(found->From.find("appmanifest_1234560.acf"), std::string::npos) << found->From;
  EXPECT_FALSE(LocateGame({{"70"}, {}}));
}

}  // namespace
