// Links a standard user plants where an older setup kept the originals of game files
// (the game folder's "<prefix>backup" and its "~run") reach nothing outside the game
// folder when the next setup takes those originals over.
#include <gtest/gtest.h>

#include <map>

#include "engine/SetupRunFixture.h"
#include "engine/SE_Uninstall_List.h"
#include "script/SE_RunChanges.h"

namespace engine_test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kScript =
    "name Demo\nshortname Demo\nprefix Demo\nuninstallpages uninstall\nfile files\\\n";

// Every name below a host folder with its content, links as their targets.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> seen;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = fs::relative(it->path(), folder).string();
    if (it->is_symlink()) seen[name] = "-> " + fs::read_symlink(it->path()).string();
    else if (it->is_directory()) seen[name] = "<dir>";
    else seen[name] = std::to_string(fs::file_size(it->path()));
  }
  return seen;
}

class LinkedBackups : public SetupRun {};

TEST_F(LinkedBackups, ALinkPlantedAmongAnOlderSetupsOriginalsChangesNothingOutside) {
  const struct {
    const char* what;
    const char* link;  // below the game folder, pointing at the system folder
  } rows[] = {
      {"the backup folder is a link", "Demo_backup"},
      {"its ~run folder is a link", "Demo_backup\\~run"},
      {"a folder of its originals is a link", "Demo_backup\\INSTDIRdata"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Fresh();
    WriteSource("files/game.dat", "new game data");
    HostWrite("C:\\Games\\Demo\\game.dat", "the older add-on's data");
    HostWrite("C:\\Games\\Demo\\Demo_backup\\INSTDIRgame.dat", "original game data");
    // What the system folder holds is named as an older setup's originals would be.
    HostWrite("C:\\windows\\system32\\INSTDIRgame.dat", "system");
    HostWrite("C:\\windows\\system32\\x.dll", "system");
    HostWrite("C:\\windows\\system32\\~run\\y.dll", "system");
    const fs::path link = Host("C:\\Games\\Demo\\" + std::string(row.link));
    fs::remove_all(link);
    fs::create_directories(link.parent_path());
    fs::create_directory_symlink(Host("C:\\windows\\system32"), link);
    TInstallLogLists old;
    old.Files = {"$INSTDIRgame.dat", "$INSTDIRdata\\x.dll"};
    const std::vector<uint8_t> log = SerializeInstallLog(old);
    HostWrite("C:\\Games\\Demo\\Demo_install.log", std::string(log.begin(), log.end()));
    const auto before = Snapshot(Host("C:\\windows\\system32"));
    Pack(kScript);
    Run();
    EXPECT_EQ(Snapshot(Host("C:\\windows\\system32")), before);
    EXPECT_EQ(HostRead("C:\\Games\\Demo\\game.dat"), "new game data");
  }
}

}  // namespace
}  // namespace engine_test
