// Random add-on lifecycles (tests/e2e/posix/Lifecycle.h) played on the Windows programs
// under Wine: setups packed by the Linux mksetup around the Windows setup.exe, run with
// $SE_WINE in the Windows test step's prefix ($WINEPREFIX), the registry read and
// written through Wine's reg.exe (Wine's server holds the registry while it runs).
// Each sequence gets a fresh game folder and game key in that prefix.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "e2e/posix/Lifecycle.h"
#include "support/HostFiles.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using namespace lifecycle;
using testing_support::ProgramResult;

std::string Env(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

// Runs a program of the prefix (reg.exe) under Wine to its end.
ProgramResult RunWine(const std::vector<std::string>& args) {
  std::vector<std::string> all{Env("SE_WINE", "wine")};
  all.insert(all.end(), args.begin(), args.end());
  return testing_support::RunProgramAt("/usr/bin/env", all);
}

const char* const kUninstallKeys[] = {
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"};

class TWineGame : public TGame {
 public:
  explicit TWineGame(const TModel& model) {
    // What an earlier sequence left: the game, its key, the add-ons' uninstall keys and
    // the add-ons' records of the game folder (a fresh machine has none: the same
    // folder made again would otherwise find the last sequence's originals).
    fs::remove_all(Folder());
    RemoveRecordsOfTheGame();
    RunWine({"reg", "delete", std::string("HKCU\\") + kGameKey, "/f"});
    for (const char* key : kUninstallKeys)
      for (char letter : {'A', 'B', 'C'})
        RunWine({"reg", "delete", std::string(key) + "\\Life Add-on " + letter, "/f"});
    fs::create_directories(Folder());
    for (int f = 0; f < model.Files(); ++f)
      if (const auto content = model.ExpectedFile(f))
        std::ofstream(Folder() / GameFileName(f), std::ios::binary) << *content;
    for (int v = 0; v < model.Values(); ++v)
      if (const auto data = model.ExpectedValue(v)) SetValue(ValueName(v), *data);
  }

  fs::path Folder() const override { return Prefix() / "drive_c" / "Games" / "Life"; }

  // reg query's lines: "    NAME    REG_SZ    DATA".
  std::map<std::string, std::string> Values() override {
    std::map<std::string, std::string> values;
    const ProgramResult listed = RunWine({"reg", "query", std::string("HKCU\\") + kGameKey});
    std::istringstream lines(listed.out);
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t type = line.find("    REG_SZ    ");
      if (type == std::string::npos || line.rfind("    ", 0) != 0) continue;
      values[line.substr(4, type - 4)] = line.substr(type + 14);
    }
    return values;
  }

  void SetValue(const std::string& name, const std::string& data) override {
    const ProgramResult set =
        RunWine({"reg", "add", std::string("HKCU\\") + kGameKey, "/v", name, "/d", data, "/f"});
    ASSERT_EQ(set.status, 0) << set.err;
  }

  // The prefix's drive C: but for the game folder, the temporary folders, the
  // programs' own records under ProgramData and Wine's own windows folder.
  std::set<std::string> Untouchable() const override {
    std::set<std::string> paths;
    const fs::path root = Prefix() / "drive_c";
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
      const std::string relative = fs::relative(it->path(), root).generic_string();
      const bool skipped = relative.starts_with("Games/Life") || relative.ends_with("/Temp") ||
                           relative.starts_with("ProgramData") || relative.starts_with("windows");
      if (skipped && it->is_directory() && !it->is_symlink()) it.disable_recursion_pending();
      if (!skipped) paths.insert(relative);
    }
    return paths;
  }

 private:
  static fs::path Prefix() { return Env("WINEPREFIX", ""); }

  // The programs keep each game folder's records in a folder of its own under
  // ProgramData\AddOnSetup; the game's is the one that names its add-ons' prefixes.
  static void RemoveRecordsOfTheGame() {
    const fs::path records = Prefix() / "drive_c" / "ProgramData" / "AddOnSetup";
    if (!fs::is_directory(records)) return;
    for (const auto& folder : fs::directory_iterator(records)) {
      if (!folder.is_directory()) continue;
      bool ours = false;
      for (const auto& entry : fs::directory_iterator(folder.path()))
        ours = ours || entry.path().filename().string().starts_with("Life");
      if (ours) fs::remove_all(folder.path());
    }
  }
};

class TWineSystem : public TSystem {
 public:
  std::string HoldProgramName() const override { return "hold.bat"; }
  std::string HoldProgramText() const override {
    return "@echo off\r\nif \"%LIFECYCLE_HOLD%\"==\"\" exit /b 0\r\necho.> \"%LIFECYCLE_HOLD%.reached\"\r\n"
           ":wait\r\nif not exist \"%LIFECYCLE_HOLD%\" exit /b 0\r\nping -n 1 127.0.0.1 > nul\r\ngoto "
           "wait\r\n";
  }
  // The host's root is drive Z: under Wine.
  std::string HoldValue(const fs::path& hostFile) const override {
    std::string path = "Z:" + hostFile.string();
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }
  ProgramResult Pack(const fs::path& script, const fs::path& output) override {
    return testing_support::RunProgramAt(
        Env("SE_LINUX_BIN_DIR", "") + "/mksetup",
        {script.string(), "-o", output.string(), "--stub", Env("SE_WINDOWS_BIN_DIR", "") + "/setup.exe"});
  }
  std::vector<std::string> Command(const fs::path& program,
                                   const std::vector<std::string>& args) const override {
    std::vector<std::string> command{"env", Env("SE_WINE", "wine"), program.string()};
    command.insert(command.end(), args.begin(), args.end());
    return command;
  }
  std::unique_ptr<TGame> NewGame(const TModel& model) override { return std::make_unique<TWineGame>(model); }
};

}  // namespace

TEST(Lifecycle, RandomSequencesOfTheWindowsProgramsUnderWineMatchTheModel) {
  ASSERT_FALSE(Env("WINEPREFIX", "").empty()) << "runs in the Windows test step's prefix";
  TWineSystem system;
  testing_support::TempDir setups;
  // Every Wine program takes a while to start: a share of the Linux suite's sequences,
  // about a minute. The seeds that once found faults are the Linux suite's: the engine
  // is the same.
  PlaySequences(system, setups.Path(), 2, /*withFoundSeeds=*/false);
}
