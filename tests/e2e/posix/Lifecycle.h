// Random lifecycles of add-ons in one game folder, checked after every step against the
// model of LifecycleModel.h: three add-ons that write over overlapping game files and
// values are installed, re-installed and uninstalled in any order, while the game
// updates its files and the player edits its values; setups and uninstallers are
// killed part-way and run again, and a second copy is started while a setup runs.
//
// The steps run the real programs of one system: the Linux build in a fresh prefix, or
// the Windows build under Wine. Each sequence comes from a seed it prints;
// LIFECYCLE_SEED=N runs that one alone. A failing sequence is shrunk to the fewest steps
// that still fail and printed as steps a person can follow. LIFECYCLE_SEQUENCES sets how
// many run; LIFECYCLE_MINUTES runs sequences for that long instead (`make soak`) and
// reports how many ran per minute.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "e2e/posix/LifecycleModel.h"
#include "support/RunProgram.h"

namespace lifecycle {

inline constexpr const char* kGameDir = "C:\\Games\\Life";
inline constexpr const char* kGameKey = "Software\\LifeGame";
// The last file and the last value are not the game's: an add-on makes them.
inline constexpr int kGameFiles = 4, kGameValues = 3, kMadeFiles = 1, kMadeValues = 1;

const std::vector<TAddOn>& AddOns();
std::string GameFileName(int f);
std::string ValueName(int v);

// One game on one system, made afresh for each sequence: the game's files in kGameDir
// and its values under HKCU\kGameKey as the model starts them (those it has not, absent).
class TGame {
 public:
  virtual ~TGame() = default;
  // The host folder of kGameDir.
  virtual std::filesystem::path Folder() const = 0;
  // The game's values under HKCU\kGameKey, by name.
  virtual std::map<std::string, std::string> Values() = 0;
  virtual void SetValue(const std::string& name, const std::string& data) = 0;
  // Every path of the machine that no add-on has any business changing, relative.
  virtual std::set<std::string> Untouchable() const = 0;
};

// How a system packs, starts and holds the programs, and makes games.
class TSystem {
 public:
  virtual ~TSystem() = default;
  // The program the setups start, which waits while $LIFECYCLE_HOLD names a file.
  virtual std::string HoldProgramName() const = 0;
  virtual std::string HoldProgramText() const = 0;
  // What $LIFECYCLE_HOLD is set to for a hold file on the host.
  virtual std::string HoldValue(const std::filesystem::path& hostFile) const = 0;
  virtual testing_support::ProgramResult Pack(const std::filesystem::path& script,
                                              const std::filesystem::path& output) = 0;
  // The command line that runs a program of the system.
  virtual std::vector<std::string> Command(const std::filesystem::path& program,
                                           const std::vector<std::string>& args) const = 0;
  virtual std::unique_ptr<TGame> NewGame(const TModel& model) = 0;
};

// Packs the add-ons into setupFolder and plays a fixed sequence of two copies at once,
// the seeds that once found faults (withFoundSeeds), then the random sequences the
// environment asks for (defaultSequences by default), each failure reported to
// GoogleTest with its seed and shrunk steps.
void PlaySequences(TSystem& system, const std::filesystem::path& setupFolder, uint64_t defaultSequences,
                   bool withFoundSeeds = true);

}  // namespace lifecycle
