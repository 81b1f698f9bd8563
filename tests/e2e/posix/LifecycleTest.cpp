// Random add-on lifecycles (Lifecycle.h) played on the Linux programs, each sequence in
// a fresh prefix.
#include <gtest/gtest.h>

#include <fstream>

#include "e2e/posix/Lifecycle.h"
#include "platform/Registry.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using namespace lifecycle;

class TLinuxGame : public TGame {
 public:
  explicit TLinuxGame(const TModel& model) {
    for (int f = 0; f < model.Files(); ++f) {
      fs::create_directories(Folder());
      if (const auto content = model.ExpectedFile(f))
        std::ofstream(Folder() / GameFileName(f), std::ios::binary) << *content;
    }
    for (int v = 0; v < model.Values(); ++v)
      if (const auto data = model.ExpectedValue(v)) SetValue(ValueName(v), *data);
  }

  fs::path Folder() const override { return machine_.DriveC() / "Games" / "Life"; }

  std::map<std::string, std::string> Values() override {
    std::map<std::string, std::string> values;
    const auto key = platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, kGameKey, false);
    if (!key) return values;
    std::vector<std::string> names = {"LifeAInstalled", "LifeBInstalled", "LifeCInstalled"};
    for (int v = 0; v < kGameValues; ++v) names.push_back(ValueName(v));
    for (const std::string& name : names)
      if (auto data = key->ReadString(name).AsOptional()) values[name] = *data;
    return values;
  }

  void SetValue(const std::string& name, const std::string& data) override {
    auto key = platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, kGameKey, true);
    ASSERT_TRUE(key.Ok()) << key.Problem();
    ASSERT_TRUE(key->WriteString(name, data).Ok());
  }

  // The prefix but for the game folder, the registry files, the temporary folder and
  // the programs' own records under ProgramData.
  std::set<std::string> Untouchable() const override {
    std::set<std::string> paths;
    const fs::path root = machine_.Root();
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
      const std::string relative = fs::relative(it->path(), root).generic_string();
      const bool skipped = relative.starts_with("drive_c/Games/Life") || relative.ends_with("/Temp") ||
                           relative.starts_with("drive_c/ProgramData") || it->path().extension() == ".reg" ||
                           relative.starts_with("dosdevices");
      if (skipped && it->is_directory() && !it->is_symlink()) it.disable_recursion_pending();
      if (!skipped) paths.insert(relative);
    }
    return paths;
  }

 private:
  testing_support::TestMachine machine_;
};

class TLinuxSystem : public TSystem {
 public:
  std::string HoldProgramName() const override { return "hold.sh"; }
  std::string HoldProgramText() const override {
    return "#!/bin/sh\n[ -n \"$LIFECYCLE_HOLD\" ] || exit 0\n: > \"$LIFECYCLE_HOLD.reached\"\n"
           "while [ -e \"$LIFECYCLE_HOLD\" ]; do sleep 0.02; done\n";
  }
  std::string HoldValue(const fs::path& hostFile) const override { return hostFile.string(); }
  testing_support::ProgramResult Pack(const fs::path& script, const fs::path& output) override {
    return testing_support::RunProgram("mksetup", {script.string(), "-o", output.string()});
  }
  std::vector<std::string> Command(const fs::path& program,
                                   const std::vector<std::string>& args) const override {
    std::vector<std::string> command{program.string()};
    command.insert(command.end(), args.begin(), args.end());
    return command;
  }
  std::unique_ptr<TGame> NewGame(const TModel& model) override { return std::make_unique<TLinuxGame>(model); }
};

}  // namespace

TEST(Lifecycle, RandomSequencesOfTheLinuxProgramsMatchTheModel) {
  TLinuxSystem system;
  testing_support::TempDir setups;
  // A few in every run of the suite; fewer where the sanitizers slow every program.
  PlaySequences(system, setups.Path(), std::string(SE_SANITIZED).empty() ? 30 : 4);
}
