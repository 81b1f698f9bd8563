// Changes below a confined folder never follow a link planted on the way, whether it is
// there before the change starts or swapped in after the walk has passed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

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

// The folders a walk opened are kept for the next change; these changes come between
// two writes to the same folder, and the second write must land where a fresh walk
// would put it.
struct BetweenWritesRow {
  const char* what;
  std::function<void(const fs::path& game)> between;
  const char* written;  // where the second file is, below the game folder
};

bool WriteText(const std::string& path, const std::string& text) {
  return WriteFileBytes(path, text.data(), text.size());
}

TEST(ConfinedFoldersPosix, AWriteAfterAFolderChangedLandsWhereAFreshWalkPutsIt) {
  const BetweenWritesRow rows[] = {
      {"removed and made again by the program",
       [](const fs::path&) {
         EXPECT_TRUE(RemoveTree("C:\\Game\\a"));
         EXPECT_TRUE(MakeDirectory("C:\\Game\\a"));
         EXPECT_TRUE(MakeDirectory("C:\\Game\\a\\b"));
       },
       "a/b/second.dat"},
      {"renamed by the program and made again",
       [](const fs::path&) {
         EXPECT_TRUE(RenameFile("C:\\Game\\a", "C:\\Game\\old"));
         EXPECT_TRUE(MakeDirectory("C:\\Game\\a"));
         EXPECT_TRUE(MakeDirectory("C:\\Game\\a\\b"));
       },
       "a/b/second.dat"},
      {"emptied folder removed by the program and made again",
       [](const fs::path&) {
         EXPECT_TRUE(DeleteFileAt("C:\\Game\\a\\b\\first.dat"));
         EXPECT_TRUE(RemoveEmptyDirectory("C:\\Game\\a\\b"));
         EXPECT_TRUE(MakeDirectory("C:\\Game\\a\\b"));
       },
       "a/b/second.dat"},
      {"removed and made again by someone else",
       [](const fs::path& game) {
         fs::remove_all(game / "a");
         fs::create_directories(game / "a" / "b");
       },
       "a/b/second.dat"},
  };
  for (const BetweenWritesRow& row : rows) {
    SCOPED_TRACE(row.what);
    TempPrefix prefix;
    const fs::path game = prefix.DriveC() / "Game";
    fs::create_directories(game / "a" / "b");
    const ConfinedFolder confined("C:\\Game");
    ASSERT_TRUE(WriteText("C:\\Game\\a\\b\\first.dat", "first")) << LastErrorText();
    row.between(game);
    EXPECT_TRUE(WriteText("C:\\Game\\a\\b\\second.dat", "second")) << LastErrorText();
    const auto seen = Snapshot(game);
    EXPECT_EQ(seen.count(row.written) ? seen.at(row.written) : "(missing)", "second");
    EXPECT_EQ(seen.count("old/b/second.dat"), 0u);
  }
}

// A folder swapped for a link after a change walked through it: the next change does
// not follow the link, whether its path goes through the folder it kept or walks there
// again from a folder it shares.
TEST(ConfinedFoldersPosix, AKeptFolderSwappedForALinkIsNeverFollowed) {
  const LinkedWayRow rows[] = {
      {"the same folder again", [] { return WriteText("C:\\Game\\data\\planted.dll", "x"); }},
      {"by way of another folder",
       [] {
         EXPECT_TRUE(WriteText("C:\\Game\\other\\own.dat", "own")) << LastErrorText();
         return WriteText("C:\\Game\\data\\planted.dll", "x");
       }},
      {"removing the folder's file", [] { return DeleteFileAt("C:\\Game\\data\\victim.dll"); }},
  };
  for (const LinkedWayRow& row : rows) {
    SCOPED_TRACE(row.what);
    PlantedGame machine;
    fs::remove(machine.game / "data");
    Put(machine.game / "data" / "victim.dll", "the game's");
    fs::create_directories(machine.game / "other");
    const ConfinedFolder confined("C:\\Game");
    ASSERT_TRUE(WriteText("C:\\Game\\data\\kept.dat", "kept")) << LastErrorText();
    const auto before = Snapshot(machine.outside);
    fs::rename(machine.game / "data", machine.game / "moved");
    fs::create_directory_symlink(machine.outside, machine.game / "data");
    row.change();
    EXPECT_EQ(Snapshot(machine.outside), before);
  }
}

size_t OpenDescriptors() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// Several threads write into folders they share and folders of their own; every file
// lands, and no folder stays open once the threads and the confinement are gone.
TEST(ConfinedFoldersPosix, ThreadsKeepingFoldersWriteEveryFileAndLeaveNoneOpen) {
  TempPrefix prefix;
  const fs::path game = prefix.DriveC() / "Game";
  constexpr int kThreads = 4, kFiles = 60;
  for (int t = 0; t < kThreads; ++t) fs::create_directories(game / "shared" / ("own" + std::to_string(t)));
  const size_t openBefore = OpenDescriptors();
  {
    const ConfinedFolder confined("C:\\Game");
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([t, &failures] {
        const std::string own = "C:\\Game\\shared\\own" + std::to_string(t) + "\\";
        for (int i = 0; i < kFiles; ++i) {
          const std::string name = std::to_string(t) + "-" + std::to_string(i) + ".dat";
          if (!WriteText(own + name, name)) ++failures[size_t(t)];
          if (!WriteText("C:\\Game\\shared\\" + name, name)) ++failures[size_t(t)];
        }
      });
    for (auto& thread : threads) thread.join();
    // This thread's own kept folders go with the confinement.
    EXPECT_TRUE(WriteText("C:\\Game\\shared\\own0\\main.dat", "main"));
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
  }
  EXPECT_EQ(OpenDescriptors(), openBefore);
  const auto seen = Snapshot(game);
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kFiles; ++i) {
      const std::string name = std::to_string(t) + "-" + std::to_string(i) + ".dat";
      EXPECT_EQ(seen.count("shared/own" + std::to_string(t) + "/" + name)
                    ? seen.at("shared/own" + std::to_string(t) + "/" + name)
                    : "",
                name);
      EXPECT_EQ(seen.count("shared/" + name) ? seen.at("shared/" + name) : "", name);
    }
}

}  // namespace
}  // namespace platform
