// Where the game is when the setup's registry value does not say: GOG's record of it,
// read through the machine's registry as GOG writes it (in the 32-bit view).
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "stores/GameLocation.h"
#include "support/TestMachine.h"

namespace {

using testing_support::TestMachine;

void RecordGogGame(const std::string& id, const std::string& path) {
  auto key = platform::RegistryKey::Open(platform::RegistryRoot::LocalMachine,
                                         "Software\\GOG.com\\Games\\" + id, true);
  ASSERT_TRUE(key);
  ASSERT_TRUE(key->WriteString("path", path));
}

TEST(GameLocation, TakesTheFolderGogRecordedWhenItExists) {
  TestMachine machine;
  const std::string game = machine.Path("C:\\GOG Games\\Harbour");
  ASSERT_TRUE(platform::MakeDirectory(machine.Path("C:\\GOG Games")));
  ASSERT_TRUE(platform::MakeDirectory(game));
  RecordGogGame("1207658924", game);
  RecordGogGame("1207658925", machine.Path("C:\\GOG Games\\Removed"));  // a folder that is gone

  struct Case {
    std::vector<std::string> steam, gog;
    std::optional<std::string> folder;
  } cases[] = {
      {{}, {"1207658924"}, game},          {{}, {"1207658925", "1207658924"}, game},
      {{"1234560"}, {"1207658924"}, game},  // Steam knows nothing of it here
      {{}, {"1207658925"}, std::nullopt},  {{}, {"5"}, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<TGameLocation> found = LocateGame({c.steam, c.gog});
    ASSERT_EQ(found.has_value(), c.folder.has_value());
    if (!found) continue;
    EXPECT_EQ(found->Folder, *c.folder);
    EXPECT_NE(found->From.find("GOG (HKEY_LOCAL_MACHINE\\Software\\GOG.com\\Games\\1207658924"),
              std::string::npos)
        << found->From;
  }
}

}  // namespace
