// The Linux setup without $WINEPREFIX: it finds the game's prefix among the player's
// (or is told with --prefix), installs into the game's folder found there, and says
// which and why; it stops with the list when several qualify and with where it looked
// when none does, never making ~/.wine or a Steam prefix.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

#include "app/SE_MachineChoice.h"
#include "platform/Dialogs.h"
#include "platform/Machine.h"
#include "stores/StoreLayouts.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

constexpr char kScript[] = R"(name "Harbour Maps"
shortname "Harbour Maps"
outfile Harbour_Setup.exe
prefix Harbour
installdirregkey HKLM Software\Harbour\Game InstallPath
installdir "C:\Default Harbour"
steamappid 1234560
pages standard
uninstallpages uninstall
language install\english
uninstalllanguage uninstall\english
file maps\
)";

// The environment of one setup run: a home folder and no $WINEPREFIX.
class PlayerEnvironment {
 public:
  explicit PlayerEnvironment(const fs::path& home) {
    if (const char* v = std::getenv("HOME")) home_ = v;
    if (const char* v = std::getenv("WINEPREFIX")) prefix_ = v;
    setenv("HOME", home.c_str(), 1);
    unsetenv("WINEPREFIX");
  }
  ~PlayerEnvironment() {
    setenv("HOME", home_.c_str(), 1);
    if (!prefix_.empty()) setenv("WINEPREFIX", prefix_.c_str(), 1);
  }

 private:
  std::string home_, prefix_;
};

class SetupChoosesPrefix : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteStoreFile(work_.Path() / "setup.txt", kScript);
    WriteStoreFile(work_.Path() / "maps" / "harbour.map", "map");
    setup_ = work_.Path() / "Harbour_Setup.exe";
    const ProgramResult made =
        RunProgram("mksetup", {(work_.Path() / "setup.txt").string(), "-o", setup_.string(), "--data",
                               std::string(SE_SOURCE_DIR) + "/data"});
    ASSERT_EQ(made.status, 0) << made.err;
  }

  ProgramResult Run(const fs::path& home, std::vector<std::string> args) {
    PlayerEnvironment player(home);
    args.push_back("--silent");
    return RunProgramAt(setup_.string(), args);
  }

  TestMachine machine_;  // mksetup's
  TempDir work_;
  fs::path setup_;
};

// The game installed through native Steam, with its Proton prefix.
fs::path AddSteamGameWithPrefix(const fs::path& home) {
  const fs::path steam = home / ".local/share/Steam";
  WriteStoreFile(steam / "steamapps/libraryfolders.vdf", LibraryFoldersVdf({steam.string()}));
  AddSteamGame(steam, "1234560", "Harbour");
  MakePrefix(steam / "steamapps/compatdata/1234560/pfx", false);
  return steam;
}

// The uninstaller left in the game's folder sits outside the prefix: opened by the
// program, it finds the prefix again, and goes when it has run.
TEST_F(SetupChoosesPrefix, InstallsIntoTheOnePrefixThatHoldsTheGameAndUninstallsFromIt) {
  TempDir home;
  const fs::path steam = AddSteamGameWithPrefix(home.Path());
  const ProgramResult run = Run(home.Path(), {});
  ASSERT_EQ(run.status, 0) << run.err;
  const fs::path pfx = steam / "steamapps/compatdata/1234560/pfx";
  EXPECT_NE(run.err.find("Wine prefix: " + pfx.string() + " (Steam: the Proton prefix of Steam app 1234560"),
            std::string::npos)
      << run.err;
  const fs::path game = steam / "steamapps/common/Harbour";
  std::string shown = "Z:" + game.string();
  std::replace(shown.begin(), shown.end(), '/', '\\');
  EXPECT_NE(run.err.find("Game folder: " + shown + " (found in the Steam library"), std::string::npos)
      << run.err;
  EXPECT_TRUE(fs::exists(game / "harbour.map"));
  EXPECT_FALSE(fs::exists(home.Path() / ".wine"));

  const ProgramResult removed = Run(home.Path(), {(game / "Harbour_Uninstall.exe").string()});
  ASSERT_EQ(removed.status, 0) << removed.err;
  EXPECT_NE(removed.err.find("Wine prefix: " + pfx.string() + " (Steam:"), std::string::npos) << removed.err;
  EXPECT_FALSE(fs::exists(game / "harbour.map"));
  EXPECT_FALSE(fs::exists(game / "Harbour_Uninstall.exe"));
  EXPECT_TRUE(fs::exists(setup_));  // the program that read it stays
  EXPECT_FALSE(fs::exists(home.Path() / ".wine"));
}

TEST_F(SetupChoosesPrefix, StopsOrIsToldWhenTheChoiceIsNotOne) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& home)> make;
    std::function<std::vector<std::string>(const fs::path& home)> args;
    int status;
    std::vector<std::string> said;
    const char* installed;  // below home, when the run installs
  } cases[] = {
      {"two prefixes hold the game",
       [](const fs::path& home) {
         AddSteamGameWithPrefix(home);
         MakePrefix(home / ".wine", true);
       },
       [](const fs::path&) { return std::vector<std::string>{}; },
       2,
       {"several Wine prefixes hold the game; choose one with --prefix DIR",
        "/.local/share/Steam/steamapps/compatdata/1234560/pfx\tSteam\t", "/.wine\tWine\t"},
       nullptr},
      {"--prefix picks one of them",
       [](const fs::path& home) {
         AddSteamGameWithPrefix(home);
         MakePrefix(home / ".wine", true);
       },
       [](const fs::path& home) {
         return std::vector<std::string>{"--prefix", (home / ".wine").string()};
       },
       0,
       {},
       ".wine/drive_c/Games/Harbour/harbour.map"},
      {"no prefix holds the game",
       [](const fs::path& home) {
         WriteStoreFile(home / ".config/lutris/games/other.yml", "game:\n  exe: x\n");
       },
       [](const fs::path&) { return std::vector<std::string>{}; },
       2,
       {"No Wine prefix that holds the game of Harbour Maps was found.",
        "Looked in:", "/.config/lutris/games", "Steam's other places: no Steam",
        "Start the game once through Steam so that its prefix exists"},
       nullptr},
      {"--prefix names a Steam prefix Steam has not made",
       [](const fs::path& home) { fs::create_directories(home / "Steam/steamapps/compatdata/1234560/pfx"); },
       [](const fs::path& home) {
         return std::vector<std::string>{"--prefix",
                                         (home / "Steam/steamapps/compatdata/1234560/pfx").string()};
       },
       2,
       {"is a Steam prefix that Steam has not made yet"},
       nullptr},
  };
  for (const Case& c : cases) {
    TempDir home;
    c.make(home.Path());
    const bool hadWine = fs::exists(home.Path() / ".wine");
    const ProgramResult run = Run(home.Path(), c.args(home.Path()));
    EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.err;
    for (const std::string& text : c.said)
      EXPECT_NE(run.err.find(text), std::string::npos) << c.name << ": " << text;
    if (c.installed) {
      EXPECT_TRUE(fs::exists(home.Path() / c.installed)) << c.name;
    }
    // Nothing is made that was not there: neither ~/.wine nor a Steam prefix's layout.
    EXPECT_EQ(fs::exists(home.Path() / ".wine"), hadWine) << c.name;
    EXPECT_FALSE(fs::exists(home.Path() / "Steam/steamapps/compatdata/1234560/pfx/dosdevices")) << c.name;
  }
}

// With a player to ask, several prefixes are one question: a list of them with their
// stores, where the row chosen is the prefix used and Cancel ends the setup.
TEST_F(SetupChoosesPrefix, ThePlayerPicksOnePrefixFromTheList) {
  struct Case {
    const char* name;
    std::optional<size_t> answer;
    std::optional<int> status;
    const char* used;  // below home
  } cases[] = {
      {"the first row", 0, std::nullopt, ".local/share/Steam/steamapps/compatdata/1234560/pfx"},
      {"the second row", 1, std::nullopt, ".wine"},
      {"cancelled", std::nullopt, 3, nullptr},
      {"a row the list did not have", 7, 3, nullptr},
  };
  for (const Case& c : cases) {
    TempDir home;
    AddSteamGameWithPrefix(home.Path());
    MakePrefix(home.Path() / ".wine", true);
    std::vector<std::string> asked;
    platform::SetListChoiceHandler(
        [&](const std::string&, const std::string&, const std::vector<std::string>& items) {
          asked = items;
          return c.answer;
        });
    const platform::MachineChoiceState before = platform::CurrentMachineChoice();
    std::optional<int> status;
    std::string used;
    {
      PlayerEnvironment player(home.Path());
      platform::DeferMachineChoice();
      TSetupOptions options;
      options.package = setup_.string();
      status = ChooseSetupMachine(options, false);
      used = platform::MachineName();
    }
    platform::RestoreMachineChoice(before);
    platform::SetListChoiceHandler({});

    EXPECT_EQ(status, c.status) << c.name;
    ASSERT_EQ(asked.size(), 2u) << c.name;
    EXPECT_EQ(
        asked[0].rfind(
            (home.Path() / ".local/share/Steam/steamapps/compatdata/1234560/pfx").string() + "\tSteam\t", 0),
        0u)
        << c.name << ": " << asked[0];
    EXPECT_EQ(asked[1].rfind((home.Path() / ".wine").string() + "\tWine\t", 0), 0u)
        << c.name << ": " << asked[1];
    if (c.used) {
      EXPECT_EQ(fs::path(used), home.Path() / c.used) << c.name;
    } else {
      EXPECT_EQ(used, "") << c.name;
    }
  }
}

}  // namespace
