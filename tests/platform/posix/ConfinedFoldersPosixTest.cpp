// Changes below a confined folder never follow a link planted on the way, whether it is
// there before the change starts or swapped in after the walk has passed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "platform/CodePage.h"
#include "platform/ConfinedFolders.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "support/TestMachine.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing_support::TempPrefix;

// Every name below a host folder with its content ("<dir>" for folders, "-> target"
// for links), to compare before and after.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> seen;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = fs::relative(it->path(), folder).string();
    if (it->is_symlink()) seen[name] = "-> " + fs::read_symlink(it->path()).string();
    else if (it->is_directory()) seen[name] = "<dir>";
    else {
      std::ifstream in(it->path(), std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      seen[name] = text.str();
    }
  }
  return seen;
}

void Put(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

// A game folder with a folder that is really a link to a folder outside it, which
// holds what an elevated change must not reach.
struct PlantedGame {
  TempPrefix prefix;
  fs::path outside = prefix.DriveC() / "windows" / "system32";
  fs::path game = prefix.DriveC() / "Game";
  PlantedGame() {
    Put(outside / "victim.dll", "system");
    fs::create_directories(outside / "empty");
    Put(game / "own.dat", "own");
    fs::create_directory_symlink(outside, game / "data");
  }
};

struct LinkedWayRow {
  const char* what;
  std::function<bool()> change;
};

TEST(ConfinedFoldersPosix, AChangeThroughALinkedFolderIsRefusedNamingTheLink) {
  const LinkedWayRow rows[] = {
      {"delete", [] { return DeleteFileAt("C:\\Game\\data\\victim.dll"); }},
      {"rename out", [] { return RenameFile("C:\\Game\\data\\victim.dll", "C:\\Game\\taken.dll"); }},
      {"rename in", [] { return RenameFile("C:\\Game\\own.dat", "C:\\Game\\DATA\\planted.dll"); }},
      {"replace", [] { return ReplaceFileWith("C:\\Game\\own.dat", "C:\\Game\\data\\victim.dll"); }},
      {"make folder", [] { return MakeDirectory("C:\\Game\\data\\made"); }},
      {"remove folder", [] { return RemoveEmptyDirectory("C:\\Game\\data\\empty"); }},
      {"remove tree below", [] { return RemoveTree("C:\\Game\\data\\empty"); }},
      {"write a file", [] { return WriteFileBytes("C:\\Game\\data\\planted.dll", "x", 1); }},
      {"name an unnamed file",
       [] {
         File file = File::CreateUnnamed("C:\\Game");
         return file.IsOpen() && file.LinkAs("C:\\Game\\data\\planted.dll");
       }},
  };
  for (const LinkedWayRow& row : rows) {
    SCOPED_TRACE(row.what);
    PlantedGame machine;
    const ConfinedFolder confined("C:\\Game");
    const auto before = Snapshot(machine.outside);
    EXPECT_FALSE(row.change());
    // Named as the change spelled it.
    EXPECT_NE(AsciiLower(LastErrorText()).find("\"c:\\game\\data\" is a link"), std::string::npos)
        << LastErrorText();
    EXPECT_EQ(Snapshot(machine.outside), before);
    EXPECT_TRUE(fs::exists(machine.game / "own.dat"));
  }
}

struct LinkInPlaceRow {
  const char* what;
  std::function<bool()> change;
  const char* gone;  // the link the change removes from the game folder, if any
};

// A link as the last name is what the change acts on: it is deleted or moved as a
// link, never what it points at.
TEST(ConfinedFoldersPosix, ALinkInTheChangedPlaceIsChangedAsALink) {
  const LinkInPlaceRow rows[] = {
      {"delete a file link", [] { return DeleteFileAt("C:\\Game\\linked.dll"); }, "linked.dll"},
      {"remove a linked tree", [] { return RemoveTree("C:\\Game\\data"); }, "data"},
      {"remove a tree holding links", [] { return RemoveTree("C:\\Game"); }, "linked.dll"},
      {"move a file link", [] { return RenameFile("C:\\Game\\linked.dll", "C:\\Game\\moved.dll"); },
       "linked.dll"},
      {"replace a file link", [] { return ReplaceFileWith("C:\\Game\\own.dat", "C:\\Game\\linked.dll"); },
       nullptr},
      {"remove a linked folder as empty", [] { return !RemoveEmptyDirectory("C:\\Game\\data"); }, nullptr},
  };
  for (const LinkInPlaceRow& row : rows) {
    SCOPED_TRACE(row.what);
    PlantedGame machine;
    fs::create_symlink(machine.outside / "victim.dll", machine.game / "linked.dll");
    const ConfinedFolder confined("C:\\");
    const auto before = Snapshot(machine.outside);
    EXPECT_TRUE(row.change()) << LastErrorText();
    EXPECT_EQ(Snapshot(machine.outside), before);
    if (row.gone) {
      EXPECT_FALSE(fs::is_symlink(machine.game / row.gone));
    }
  }
}

// The same changes without a link on the way do what they always did.
TEST(ConfinedFoldersPosix, ChangesWithoutLinksBelowAConfinedFolderStillWork) {
  TempPrefix prefix;
  const ConfinedFolder confined("C:\\Game\\");
  Put(prefix.DriveC() / "Game" / "Sub" / "a.dat", "a");
  EXPECT_TRUE(MakeDirectory("C:\\game\\sub\\New")) << LastErrorText();
  EXPECT_TRUE(RenameFile("C:\\Game\\Sub\\a.dat", "C:\\Game\\Sub\\New\\b.dat")) << LastErrorText();
  EXPECT_TRUE(RenameFile("C:\\Game\\Sub\\New\\b.dat", "C:\\Game\\Sub\\New\\B.dat")) << LastErrorText();
  EXPECT_TRUE(fs::exists(prefix.DriveC() / "Game" / "Sub" / "New" / "B.dat"));
  Put(prefix.DriveC() / "Game" / "c.dat", "c");
  EXPECT_TRUE(ReplaceFileWith("C:\\Game\\c.dat", "C:\\Game\\Sub\\New\\B.dat")) << LastErrorText();
  EXPECT_FALSE(RenameFile("C:\\Game\\Sub\\New\\B.dat", "C:\\Game\\Sub\\New\\B.dat\\x"));
  EXPECT_TRUE(DeleteFileAt("C:\\Game\\Sub\\New\\b.dat")) << LastErrorText();
  EXPECT_TRUE(RemoveEmptyDirectory("C:\\Game\\Sub\\New")) << LastErrorText();
  EXPECT_FALSE(DeleteFileAt("C:\\Game\\Sub\\missing.dat"));
  EXPECT_TRUE(RemoveTree("C:\\Game\\Sub"));
  EXPECT_TRUE(fs::is_empty(prefix.DriveC() / "Game"));
}

// A folder swapped for a link once the walk has opened it changes nothing outside:
// the change acts in the folder the walk opened.
TEST(ConfinedFoldersPosix, AFolderSwappedForALinkAfterTheWalkIsNotFollowed) {
  PlantedGame machine;
  fs::remove(machine.game / "data");
  Put(machine.game / "data" / "victim.dll", "the game's");
  const ConfinedFolder confined("C:\\Game");
  const auto before = Snapshot(machine.outside);
  SetConfinedChangeHook([&] {
    SetConfinedChangeHook(nullptr);
    fs::rename(machine.game / "data", machine.game / "moved");
    fs::create_directory_symlink(machine.outside, machine.game / "data");
  });
  EXPECT_TRUE(DeleteFileAt("C:\\Game\\data\\victim.dll")) << LastErrorText();
  SetConfinedChangeHook(nullptr);
  EXPECT_EQ(Snapshot(machine.outside), before);
  EXPECT_FALSE(fs::exists(machine.game / "moved" / "victim.dll"));
}

}  // namespace
}  // namespace platform
