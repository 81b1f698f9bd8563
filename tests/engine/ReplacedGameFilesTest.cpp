// Game files replaced by add-ons while the game updates itself and the player edits:
// two add-ons over one file, installed, installed again and uninstalled in every
// order, with a game update or an edit between any two steps. The uninstallers never
// put an original back over a file that is newer than the add-on, and the file ends
// as a careful person expects: the game's newest version once the add-ons are gone.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <string>

#include "engine/SE_Uninstall_Items.h"
#include "engine/SE_Uninstall_List.h"
#include "platform/FaultInjection.h"
#include "platform/Files.h"
#include "script/SE_FileHelpers.h"
#include "script/SE_MadeFileStamps.h"
#include "script/SE_RunChanges.h"
#include "script/ZTI_CompLines.h"
#include "SetupRunFixture.h"

namespace engine_test {
namespace {

constexpr const char* kGameFile = "C:\\Games\\Demo\\game.dat";

std::string ScriptOf(const std::string& addOn) {
  return "name " + addOn + "\nshortname " + addOn + "\nprefix " + addOn +
         "\nuninstallpages uninstall\nfile files\\\n";
}

class ReplacedGameFilesTest : public SetupRun {
 protected:
  // Each install writes a content of its own ("A1", then "A2" when A runs again).
  void Install(const std::string& addOn) {
    UninstallList().Clear();
    WriteSource("files/game.dat", addOn + std::to_string(++installs_[addOn]));
    Pack(ScriptOf(addOn));
    Run();
    ASSERT_FALSE(AbortRequested) << addOn;
  }
  // The uninstaller's file step; what it says it kept is collected.
  void Uninstall(const std::string& addOn) {
    TUninstallList log;
    ASSERT_TRUE(log.Load(At("C:\\Games\\Demo"), addOn + "_")) << addOn;
    TFileUninstaller files(At("C:\\Games\\Demo\\"), addOn + "_");
    for (const std::string& item : log.Files()) files.Uninstall(item);
    RemoveTree(files.BackupFolderPath());
    platform::DeleteFileAt(TUninstallList::LogPath(At("C:\\Games\\Demo"), addOn + "_"));
    kept_ += files.KeptFilesText();
  }
  // A step: "A" or "B" installs, "a" or "b" uninstalls, "G" is a game update, "P" the
  // player's edit, "N" a new game folder without the file where the old one was deleted
  // with its add-ons still installed (their records stay in the trusted folder).
  void Step(char step) {
    if (step == 'N') {
      ASSERT_TRUE(RemoveTree(At("C:\\Games\\Demo")));
      HostWrite("C:\\Games\\Demo\\readme.txt", "the new game's");
    } else if (step == 'G') HostWrite(kGameFile, "game v" + std::to_string(++updates_));
    else if (step == 'P') HostWrite(kGameFile, "edited by the player");
    else if (std::isupper(static_cast<unsigned char>(step))) Install(std::string(1, step));
    else Uninstall(std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(step)))));
  }

  // A fresh machine, counts and kept names, with the game's folder holding game.dat
  // (gameHasTheFile) or only its readme.
  void StartCase(bool gameHasTheFile) {
    Fresh();
    installs_.clear();
    updates_ = 0;
    kept_.clear();
    if (gameHasTheFile) HostWrite(kGameFile, "game v0");
    else HostWrite("C:\\Games\\Demo\\readme.txt", "the game's");
  }
  void Play(const char* steps) {
    for (const char* step = steps; *step; ++step) Step(*step);
  }
  std::optional<std::string> GameFileNow() const {
    return HostFileExists(kGameFile) ? std::optional(HostRead(kGameFile)) : std::nullopt;
  }

  // A re-install over a made file that another add-on wrote over since, failing at
  // write first, first + 2, ... until one completes.
  void ReinstallFailingAtEverySecondWrite(int64_t first);

  std::map<std::string, int> installs_;
  int updates_ = 0;
  std::string kept_;
};

TEST_F(ReplacedGameFilesTest, AnUninstallNeverPutsAStaleOriginalOverANewerFile) {
  struct Case {
    const char* steps;
    const char* finalContent;
    bool saysKept;  // an uninstaller named game.dat as kept
  } cases[] = {
      {"Aa", "game v0", false},
      {"AGa", "game v1", true},
      {"APa", "edited by the player", true},
      {"ABab", "game v0", false},
      {"ABba", "game v0", false},
      {"AGBab", "game v1", true},
      {"AGBba", "game v1", true},
      {"ABGab", "game v1", true},
      {"ABGba", "game v1", true},
      {"ABaGb", "game v1", true},
      {"ABbGa", "game v1", true},
      {"ABAba", "game v0", false},  // A again after B: A goes over B, with B's chain mended
      {"ABAab", "game v0", false},
      {"AGAa", "game v1", false},  // A again after an update: the update is the original now
      {"ABGAba", "game v1", true},
      {"ABGAab", "game v1", true},
      {"AaGBb", "game v1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    StartCase(true);
    Play(c.steps);
    EXPECT_EQ(HostRead(kGameFile), c.finalContent);
    EXPECT_EQ(kept_.find("game.dat\" kept: changed since the add-on was installed") != std::string::npos,
              c.saysKept)
        << kept_;
    EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\A_backup"));
    EXPECT_FALSE(HostDirExists("C:\\Games\\Demo\\B_backup"));
  }
}

// While both add-ons are installed, each uninstall leaves in place the newest version:
// the other add-on's, or the game's own update.
TEST_F(ReplacedGameFilesTest, TheFileInPlaceAfterEachUninstallIsTheNewestStillWanted) {
  struct Case {
    const char* steps;
    const char* afterFirstUninstall;
  } cases[] = {
      {"ABa", "B1"},
      {"ABb", "A1"},
      {"ABGa", "game v1"},
      {"ABGb", "game v1"},
      {"AGBa", "B1"},
      // An add-on installed again goes to the top, over every other one.
      {"ABAa", "B1"},
      {"ABAb", "A2"},
      {"ABCAa", "C1"},
      {"ABCAb", "A2"},
      {"ABCAc", "A2"},
      {"ABCBa", "B2"},
      {"ABGAa", "game v1"},
      {"ABPAa", "edited by the player"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    StartCase(true);
    Play(c.steps);
    EXPECT_EQ(HostRead(kGameFile), c.afterFirstUninstall);
  }
}

// A file the game does not have, made by the first add-on and written over by others:
// it goes with the last add-on over it, unless the game or the player wrote it since.
TEST_F(ReplacedGameFilesTest, AFileAnAddOnMadeGoesWithTheLastAddOnOverIt) {
  const std::optional<std::string> gone;
  struct Case {
    const char* steps;
    std::optional<std::string> after;
  } cases[] = {
      {"Aa", gone},          {"ABa", "B1"},         {"ABb", "A1"},
      {"ABab", gone},        {"ABba", gone},        {"ABAa", "B1"},
      {"ABAb", "A2"},        {"ABAab", gone},       {"ABAba", gone},
      {"ABCAcb", "A2"},      {"ABCAcba", gone},     {"ABCAbac", gone},
      {"AGa", "game v1"},    {"AGAa", "game v1"},   {"ABGab", "game v1"},
      {"ABGba", "game v1"},  {"AGBab", "game v1"},  {"ABaGb", "game v1"},
      {"ABGAab", "game v1"}, {"ABGAba", "game v1"}, {"APa", "edited by the player"},
      {"AAa", gone},         {"AAGa", "game v1"},   {"AABab", gone},
      {"ABaGBb", "game v1"}, {"ABaBb", gone},       {"ABaBPb", "edited by the player"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    StartCase(false);
    Play(c.steps);
    EXPECT_EQ(GameFileNow(), c.after);
  }
}

// A game folder deleted with add-ons installed and made again at the same path: an
// add-on installed into the new one never puts back an original it kept from the old.
TEST_F(ReplacedGameFilesTest, AnOriginalFromADeletedGameFolderNeverComesBackIntoItsSuccessor) {
  const std::optional<std::string> gone;
  struct Case {
    const char* steps;
    std::optional<std::string> after;
  } cases[] = {
      {"ANAa", gone},
      {"ANBb", gone},
      {"ABNAa", gone},
      {"ABNBb", gone},
      {"ANAPa", "edited by the player"},
      {"ANGAa", "game v1"},
      {"ANAGa", "game v1"},
      {"ANABab", gone},
      {"ANABba", gone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    StartCase(true);
    Play(c.steps);
    EXPECT_EQ(GameFileNow(), c.after);
  }
}

// A re-install over a made file that another add-on wrote over since, failing at any
// write, is undone whole: the other add-on's copy is back in its backup folder, so
// that each uninstall still leaves what the add-ons below wrote.
// The writes are shared out between two tests, one for each core (the whole takes
// minutes under the sanitizers).
void ReplacedGameFilesTest::ReinstallFailingAtEverySecondWrite(int64_t first) {
  bool completed = false;
  for (int64_t write = first; write < 500 && !completed; write += 2) {
    SCOPED_TRACE("write " + std::to_string(write));
    StartCase(false);
    Step('A');
    Step('B');
    UninstallList().Clear();
    WriteSource("files/game.dat", "A2");
    Pack(ScriptOf("A"));
    platform::ArmWriteFault(write, platform::WriteFault::IoError);
    Run();
    platform::DisarmWriteFault();
    completed = !platform::WriteFaultFired();
    EXPECT_EQ(AbortRequested, !completed);
    EXPECT_EQ(HostRead(kGameFile), completed ? "A2" : "B1");
    Step('b');
    EXPECT_EQ(HostRead(kGameFile), completed ? "A2" : "A1");
    Step('a');
    EXPECT_FALSE(HostFileExists(kGameFile));
  }
  EXPECT_TRUE(completed);
}

TEST_F(ReplacedGameFilesTest, AFailedReinstallOverAMadeFileLeavesTheChainAsItWasAtOddWrites) {
  ReinstallFailingAtEverySecondWrite(1);
}

TEST_F(ReplacedGameFilesTest, AFailedReinstallOverAMadeFileLeavesTheChainAsItWasAtEvenWrites) {
  ReinstallFailingAtEverySecondWrite(2);
}

// A made file without a usable stamp, from a setup made before made files were stamped
// or in a damaged record, goes with its add-on as it always did, even when the player
// changed it since; a damaged record is named. The next installation replaces it whole,
// after saying so, and its stamps keep a changed file again.
TEST_F(ReplacedGameFilesTest, AMadeFileWithoutAUsableStampGoesWithItsAddOnAsBefore) {
  struct Case {
    std::optional<std::string> record;  // none: no record
    const char* problem;                // what the uninstaller says of it
  } cases[] = {
      {std::nullopt, ""},
      {"", "does not begin with \"made files 1\""},
      {"made files 1\n12 0123abcd\n", "line 2 has no path after a tab"},
      {"made files 1\n7 0123abcd\t$INSTDIRgame.dat", "its last line is cut short"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record.value_or("no record"));
    Fresh();
    installs_.clear();
    kept_.clear();
    Step('A');
    const std::string record = MadeFileStampsPath(BackupsOf("A_"));
    ASSERT_TRUE(platform::FileExists(record));
    if (c.record) ASSERT_TRUE(platform::WriteFileBytes(record, c.record->data(), c.record->size()));
    else ASSERT_TRUE(platform::DeleteFileAt(record));
    Step('P');
    Step('a');
    EXPECT_FALSE(HostFileExists(kGameFile));
    EXPECT_EQ(kept_.find(c.problem) != std::string::npos, true) << kept_;
    EXPECT_EQ(kept_.empty(), !c.record) << kept_;
    if (!c.record) continue;

    // A fresh machine has a game folder (and so a trusted folder) of its own on Windows.
    Fresh();
    installs_.clear();
    Step('A');
    const std::string again = MadeFileStampsPath(BackupsOf("A_"));
    ASSERT_TRUE(platform::WriteFileBytes(again, c.record->data(), c.record->size()));
    Step('A');
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_NE(asked_[0].text.find(c.problem), std::string::npos) << asked_[0].text;
    ASSERT_TRUE(MadeFileStampsOf(BackupsOf("A_"))) << MadeFileStampsOf(BackupsOf("A_")).Problem();
    Step('P');
    Step('a');
    EXPECT_EQ(HostRead(kGameFile), "edited by the player");
  }
}

// Targets outside the game's folder ("..", "/" as separator, names of dots and
// blanks): the originals are kept inside the backup folder, the uninstaller puts each
// back where it came from, and the game's own files of the same names are untouched.
TEST_F(ReplacedGameFilesTest, OriginalsOfTargetsOutsideTheGameFolderComeBackWhereTheyWere) {
  struct Case {
    const char* subdir;  // the file line's target folder
    const char* target;  // where the file lands
  } cases[] = {
      {"..\\..", "C:\\victim.txt"},
      {"../..", "C:\\victim.txt"},
      {"..", "C:\\Games\\victim.txt"},
      {"sub\\..\\..\\..", "C:\\victim.txt"},
  };
  for (const Case& c : cases)
    for (const char* installDir : {"C:\\Games\\Demo Game\\", "C:\\Games\\Demo Game"}) {
      SCOPED_TRACE(std::string(c.subdir) + " into " + installDir);
      Fresh();
      WriteSource("f/victim.txt", "add-on's");
      HostWrite(c.target, "the original outside");
      HostWrite("C:\\Games\\Demo Game\\victim.txt", "the game's own");
      HostWrite("C:\\Games\\Demo Game\\game.dat", "game");
      Pack(std::string("name A\nshortname A\nprefix A\nuninstallpages uninstall\nfile f\\victim.txt \"") +
               c.subdir + "\"\n",
           installDir);
      Run();
      ASSERT_FALSE(AbortRequested) << (asked_.empty() ? "" : asked_.back().text);
      ASSERT_EQ(HostRead(c.target), "add-on's");
      // Nothing of the add-on's backups lies outside its backup folder.
      EXPECT_EQ(HostRead("C:\\Games\\Demo Game\\victim.txt"), "the game's own");
      TUninstallList log;
      ASSERT_TRUE(log.Load(At("C:\\Games\\Demo Game"), "A_"));
      TFileUninstaller files(At("C:\\Games\\Demo Game\\"), "A_");
      for (const std::string& item : log.Files()) files.Uninstall(item);
      RemoveTree(files.BackupFolderPath());
      EXPECT_EQ(HostRead(c.target), "the original outside");
      EXPECT_EQ(HostRead("C:\\Games\\Demo Game\\victim.txt"), "the game's own");
      EXPECT_EQ(HostRead("C:\\Games\\Demo Game\\game.dat"), "game");
    }
}

}  // namespace
}  // namespace engine_test
