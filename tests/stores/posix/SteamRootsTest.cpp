// Steam's installations on Linux, found below the home folder under each name Steam
// and its Flatpak and Snap packages use, each once; and the game's folder taken from
// them, never through a link.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/GameStores.h"
#include "stores/GameLocation.h"
#include "stores/StoreLayouts.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

class SteamRoots : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* home = std::getenv("HOME")) oldHome_ = home;
  }
  void TearDown() override { setenv("HOME", oldHome_.c_str(), 1); }

  TestMachine machine_;
  std::string oldHome_;
};

void MakeRoot(const fs::path& root) { fs::create_directories(root / "steamapps"); }

TEST_F(SteamRoots, FindsEachInstallationOnce) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    std::vector<std::string> roots;  // below home
  } cases[] = {
      {"native, reached through ~/.steam/root and ~/.steam/steam too",
       [](const fs::path& home) {
         MakeRoot(home / ".local/share/Steam");
         fs::create_directories(home / ".steam");
         fs::create_directory_symlink(home / ".local/share/Steam", home / ".steam/root");
         fs::create_directory_symlink(home / ".local/share/Steam", home / ".steam/steam");
       },
       {"/.local/share/Steam"}},
      {"Debian's and Flatpak's",
       [](const fs::path& home) {
         MakeRoot(home / ".steam/debian-installation");
         MakeRoot(home / ".var/app/com.valvesoftware.Steam/.local/share/Steam");
       },
       {"/.steam/debian-installation", "/.var/app/com.valvesoftware.Steam/.local/share/Steam"}},
      {"Snap's",
       [](const fs::path& home) { MakeRoot(home / "snap/steam/common/.local/share/Steam"); },
       {"/snap/steam/common/.local/share/Steam"}},
      {"a folder without steamapps is no installation",
       [](const fs::path& home) { fs::create_directories(home / ".local/share/Steam"); },
       {}},
  };
  for (const Case& c : cases) {
    TempDir home;
    c.make(home.Path());
    setenv("HOME", home.Path().c_str(), 1);
    std::vector<std::string> expected;
    for (const std::string& below : c.roots) expected.push_back(fs::canonical(home.Path()).string() + below);
    EXPECT_EQ(platform::SteamRootFolders(), expected) << c.name;
  }
}

TEST_F(SteamRoots, NeverTakesAGameFolderThatIsALink) {
  TempDir home;
  const fs::path steam = home.Path() / ".local/share/Steam";
  WriteStoreFile(steam / "steamapps/libraryfolders.vdf", LibraryFoldersVdf({steam.string()}));
  AddSteamGame(steam, "1234560", "Harbour");
  WriteStoreFile(steam / "steamapps/appmanifest_70.acf", AppManifest("70", "Linked"));
  fs::create_directories(home.Path() / "elsewhere");
  fs::create_directory_symlink(home.Path() / "elsewhere", steam / "steamapps/common/Linked");
  setenv("HOME", home.Path().c_str(), 1);

  const std::optional<TGameLocation> found = LocateGame({{"70", "1234560"}, {}});
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Folder, platform::StorePathOf((steam / "steamapps/common/Harbour").string()));
  EXPECT_FALSE(LocateGame({{"70"}, {}}));
}

}  // namespace
