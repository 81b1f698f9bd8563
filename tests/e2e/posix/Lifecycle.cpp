#include "e2e/posix/Lifecycle.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/HostFiles.h"
#include "support/TestMachine.h"

namespace lifecycle {

namespace fs = std::filesystem;
using testing_support::ProgramResult;
using testing_support::ReadHostFile;

const std::vector<TAddOn>& AddOns() {
  static const std::vector<TAddOn> addOns = {
      {'A', {0, 1, 3}, {0, 2}}, {'B', {1, 2, 3}, {0, 1, 2}}, {'C', {0, 2, 3}, {1, 2}}};
  return addOns;
}
std::string GameFileName(int f) { return "game" + std::to_string(f) + ".dat"; }
std::string ValueName(int v) { return "Setting" + std::to_string(v); }

namespace {

std::string Prefix(const TAddOn& a) { return std::string("Life") + a.letter; }
std::string OwnFileName(const TAddOn& a) { return Prefix(a) + "_readme.txt"; }
std::string OwnValueName(const TAddOn& a) { return Prefix(a) + "Installed"; }
std::string SetupName(const TAddOn& a) { return Prefix(a) + "_Setup.exe"; }
std::string UninstallerName(const TAddOn& a) { return Prefix(a) + "_Uninstall.exe"; }
// What a setup or uninstaller exits with when another run holds the game folder.
constexpr int kBusyStatus = 6;

// ---- the steps ------------------------------------------------------------------------

enum class EStep {
  Install,
  Uninstall,
  GameUpdatesFile,
  PlayerEditsValue,
  SetupKilledAndRunAgain,
  UninstallerKilledAndRunAgain,
  SecondSetupDuringSetup,
  UninstallerDuringSetup,
};

// The kinds of step a sequence draws from, each as likely as the next.
const std::vector<EStep> kKinds = {EStep::Install,
                                   EStep::Uninstall,
                                   EStep::GameUpdatesFile,
                                   EStep::PlayerEditsValue,
                                   EStep::SetupKilledAndRunAgain,
                                   EStep::UninstallerKilledAndRunAgain,
                                   EStep::SecondSetupDuringSetup,
                                   EStep::UninstallerDuringSetup};

struct TStep {
  EStep kind;
  int addOn = 0;    // the add-on the step runs (the held setup's, for the concurrent steps)
  int other = 0;    // the second copy's add-on; the file or value changed
  int delayMs = 0;  // when a run is killed
  int stamp = 0;    // tells one update or edit from another
};

std::string Letter(int a) { return std::string(1, AddOns()[a].letter); }

std::string Describe(const TStep& step) {
  const std::string a = Letter(step.addOn), o = Letter(step.other), stamp = std::to_string(step.stamp);
  const std::string delay = std::to_string(step.delayMs) + " ms";
  switch (step.kind) {
    case EStep::Install:
      return "install add-on " + a + " (" + SetupName(AddOns()[step.addOn]) + " --silent --dir " + kGameDir +
             ")";
    case EStep::Uninstall: return "uninstall add-on " + a + " (its uninstaller, --silent)";
    case EStep::GameUpdatesFile:
      return "the game updates " + GameFileName(step.other) + " (update " + stamp + ")";
    case EStep::PlayerEditsValue: return "the player sets " + ValueName(step.other) + " (edit " + stamp + ")";
    case EStep::SetupKilledAndRunAgain:
      return "start add-on " + a + "'s setup, kill it after " + delay + ", run it again";
    case EStep::UninstallerKilledAndRunAgain:
      return "start add-on " + a + "'s uninstaller, kill it after " + delay + ", run it again";
    case EStep::SecondSetupDuringSetup:
      return "while add-on " + a + "'s setup runs, start add-on " + o + "'s setup";
    case EStep::UninstallerDuringSetup:
      return "while add-on " + a + "'s setup runs, start add-on " + o + "'s uninstaller";
  }
  return "?";
}

// Whether the step can be taken in the model's state (a shrunk sequence may hold steps
// that no longer can: they are skipped).
bool Applicable(const TModel& model, const TStep& step) {
  switch (step.kind) {
    case EStep::Uninstall:
    case EStep::UninstallerKilledAndRunAgain: return model.Installed(step.addOn);
    case EStep::UninstallerDuringSetup: return model.Installed(step.other) && step.other != step.addOn;
    default: return true;
  }
}

// Faults the programs are known to have, with the steps that meet them. A sequence
// leaves such steps out, so that the suite checks everything else; LIFECYCLE_KNOWN=1
// (as `make soak KNOWN=1`) takes them in again.
struct TKnownFault {
  const char* what;
  bool (*meets)(const TModel& model, const TStep& step);
};
// None is known at present; a fault found is listed here with the steps that meet it
// until it is mended.
const std::vector<TKnownFault> kKnownFaults = {};

bool MeetsAKnownFault(const TModel& model, const TStep& step) {
  static const bool takeThemIn = std::getenv("LIFECYCLE_KNOWN") && *std::getenv("LIFECYCLE_KNOWN") == '1';
  if (takeThemIn) return false;
  for (const TKnownFault& fault : kKnownFaults)
    if (fault.meets(model, step)) return true;
  return false;
}

std::string UpdatedFile(int stamp) { return "game update " + std::to_string(stamp) + "\r\n"; }
std::string EditedValue(int stamp) { return "player edit " + std::to_string(stamp); }

void Apply(TModel& model, const TStep& step) {
  switch (step.kind) {
    case EStep::Install:
    case EStep::SetupKilledAndRunAgain:
    case EStep::SecondSetupDuringSetup:
    case EStep::UninstallerDuringSetup: model.Install(step.addOn); break;
    case EStep::Uninstall:
    case EStep::UninstallerKilledAndRunAgain: model.Uninstall(step.addOn); break;
    case EStep::GameUpdatesFile: model.ChangeFile(step.other, UpdatedFile(step.stamp)); break;
    case EStep::PlayerEditsValue: model.ChangeValue(step.other, EditedValue(step.stamp)); break;
  }
}

TModel NewModel() { return TModel(AddOns(), kGameFiles, kGameValues, kMadeFiles, kMadeValues); }

// A small generator of our own, so that a seed gives the same steps everywhere.
class TRandom {
 public:
  explicit TRandom(uint64_t seed) : state_(seed * 6364136223846793005ULL + 1442695040888963407ULL) {}
  int Below(int n) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return int((state_ >> 33) % uint64_t(n));
  }

 private:
  uint64_t state_;
};

std::vector<TStep> Sequence(uint64_t seed, int length) {
  TRandom random(seed);
  TModel model = NewModel();
  std::vector<TStep> steps;
  int stamp = 0;
  const int addOns = int(AddOns().size());
  while (int(steps.size()) < length) {
    TStep step{kKinds[random.Below(int(kKinds.size()))], random.Below(addOns), 0, 0, ++stamp};
    const bool value = step.kind == EStep::PlayerEditsValue;
    step.other = step.kind == EStep::GameUpdatesFile || value ? random.Below(value ? kGameValues : kGameFiles)
                                                              : random.Below(addOns);
    step.delayMs = 5 + random.Below(150);
    // Installs come more often than the rest, so that there is something to take back.
    if (!model.Installed(step.addOn) && random.Below(2) == 0)
      step = {EStep::Install, step.addOn, 0, 0, stamp};
    if (!Applicable(model, step) || MeetsAKnownFault(model, step)) continue;
    Apply(model, step);
    steps.push_back(step);
  }
  return steps;
}

// ---- the real programs ------------------------------------------------------------------

std::string Script(const TAddOn& a, const std::string& holdProgram) {
  const std::string name = std::string("Life Add-on ") + a.letter;
  std::string script = "name \"" + name + "\"\nshortname \"" + name + "\"\noutfile " + SetupName(a) +
                       "\nprefix " + Prefix(a) +
                       "\ninstalldir \"$PROGRAMFILES\\Life Game\"\npages full\nuninstallpages uninstall\n"
                       "language install\\english\nuninstalllanguage uninstall\\english\n"
                       "file files" +
                       a.letter + "\\\nexecute $INSTDIR\\" + holdProgram + "\n";
  for (int v : a.values)
    script += std::string("writeregstr HKCU ") + kGameKey + " " + ValueName(v) + " \"" +
              NewModel().AddOnValueData(a.letter - 'A', v) + "\"\n";
  script += std::string("writeregstr HKCU ") + kGameKey + " " + OwnValueName(a) + " yes\n";
  return script;
}

void WriteHost(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

pid_t Start(const std::vector<std::string>& command, const std::string& hold, const fs::path& out,
            const fs::path& err) {
  const pid_t child = fork();
  if (child == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(o, 1);
    dup2(e, 2);
    if (!hold.empty()) setenv("LIFECYCLE_HOLD", hold.c_str(), 1);
    std::vector<char*> argv;
    for (const auto& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return child;
}

int AwaitExit(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Plays one sequence's steps on the programs of one system.
class TPlayer {
 public:
  TPlayer(TSystem& system, const fs::path& setups) : system_(system), setups_(setups) {}

  // The problems the step met, empty when none.
  std::string Run(TGame& game, const TStep& step) {
    const TAddOn& a = AddOns()[step.addOn];
    const TAddOn& o = AddOns()[step.other];
    switch (step.kind) {
      case EStep::Install: return Install(a);
      case EStep::Uninstall: return Uninstall(game, a);
      case EStep::GameUpdatesFile:
        WriteHost(game.Folder() / GameFileName(step.other), UpdatedFile(step.stamp));
        return "";
      case EStep::PlayerEditsValue: game.SetValue(ValueName(step.other), EditedValue(step.stamp)); return "";
      case EStep::SetupKilledAndRunAgain: Kill(SetupCommand(a), step.delayMs); return Install(a, true);
      case EStep::UninstallerKilledAndRunAgain:
        Kill(UninstallCommand(game, a), step.delayMs);
        // A run that ended before the kill has started the finaliser, which takes the
        // uninstaller away: then there is nothing left to run.
        AwaitRemoval(game, a, 500);
        return fs::exists(game.Folder() / UninstallerName(a)) ? Uninstall(game, a, true) : "";
      case EStep::SecondSetupDuringSetup:
        return WhileHeld(a, [&] { return Expect(Run(SetupCommand(o)), kBusyStatus, "the second setup"); });
      case EStep::UninstallerDuringSetup:
        return WhileHeld(
            a, [&] { return Expect(Run(UninstallCommand(game, o)), kBusyStatus, "the uninstaller"); });
    }
    return "";
  }

 private:
  std::vector<std::string> SetupCommand(const TAddOn& a) const {
    return system_.Command(setups_ / SetupName(a), {"--silent", "--dir", kGameDir});
  }
  std::vector<std::string> UninstallCommand(TGame& game, const TAddOn& a) const {
    return system_.Command(game.Folder() / UninstallerName(a), {"--silent"});
  }

  ProgramResult Run(const std::vector<std::string>& command, const std::string& hold = "") {
    testing_support::TempDir scratch;
    ProgramResult result;
    result.status = AwaitExit(Start(command, hold, scratch.Path() / "out", scratch.Path() / "err"));
    result.out = ReadHostFile(scratch.Path() / "out");
    result.err = ReadHostFile(scratch.Path() / "err");
    return result;
  }

  static std::string Expect(const ProgramResult& r, int want, const std::string& what) {
    if (r.status == want) return "";
    const std::string tail = r.out.substr(r.out.size() > 300 ? r.out.size() - 300 : 0);
    return what + " exited " + std::to_string(r.status) + ", not " + std::to_string(want) +
           "\n  stderr: " + r.err + "\n  stdout ends: " + tail + "\n";
  }

  std::string Install(const TAddOn& a, bool afterKill = false) {
    return Expect(afterKill ? RunAfterKill(SetupCommand(a)) : Run(SetupCommand(a)), 0, "the setup");
  }

  std::string Uninstall(TGame& game, const TAddOn& a, bool afterKill = false) {
    const ProgramResult r =
        afterKill ? RunAfterKill(UninstallCommand(game, a)) : Run(UninstallCommand(game, a));
    AwaitRemoval(game, a, 10000);
    return Expect(r, 0, "the uninstaller");
  }

  // A run started the moment another was killed has, about once in 600 sequences on a
  // loaded machine, found the killed run's lock still held. A player is asked to Retry
  // then; the unattended run's "busy" gets the same one retry, said on stderr, so that
  // the rare case stays visible without failing the sequence.
  ProgramResult RunAfterKill(const std::vector<std::string>& command) {
    ProgramResult r = Run(command);
    if (r.status != kBusyStatus) return r;
    std::fprintf(stderr, "a run started just after a kill found the lock held: retried once\n");
    std::this_thread::sleep_for(std::chrono::seconds(2));
    return Run(command);
  }

  // Waits for the finaliser to remove an uninstaller that has ended.
  static void AwaitRemoval(TGame& game, const TAddOn& a, int limitMs) {
    for (int i = 0; i < limitMs / 20 && fs::exists(game.Folder() / UninstallerName(a)); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }

  static void Kill(const std::vector<std::string>& command, int delayMs) {
    testing_support::TempDir scratch;
    const pid_t child = Start(command, "", scratch.Path() / "out", scratch.Path() / "err");
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    kill(child, SIGKILL);
    AwaitExit(child);
  }

  // Starts a's setup, runs `second` while it waits at its program, then lets it finish.
  template <typename Second>
  std::string WhileHeld(const TAddOn& a, Second second) {
    testing_support::TempDir scratch;
    const fs::path hold = scratch.Path() / "hold", reached = scratch.Path() / "hold.reached";
    WriteHost(hold, "");
    const pid_t first =
        Start(SetupCommand(a), system_.HoldValue(hold), scratch.Path() / "out", scratch.Path() / "err");
    for (int i = 0; i < 3000 && !fs::exists(reached); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::string problems = fs::exists(reached) ? "" : "the first setup never reached its program\n";
    problems += second();
    fs::remove(hold);
    const int status = AwaitExit(first);
    if (status != 0)
      problems += "the first setup exited " + std::to_string(status) +
                  ", not 0: " + ReadHostFile(scratch.Path() / "err");
    return problems;
  }

  TSystem& system_;
  fs::path setups_;
};

// ---- the comparison ---------------------------------------------------------------------

std::string Compare(TGame& game, const TModel& model, const std::set<std::string>& untouchable) {
  std::ostringstream problems;
  const auto shown = [](const std::optional<std::string>& text) {
    return text ? "\"" + *text + "\"" : std::string("(missing)");
  };
  for (int f = 0; f < model.Files(); ++f) {
    const fs::path path = game.Folder() / GameFileName(f);
    const std::optional<std::string> have =
        fs::exists(path) ? std::optional(ReadHostFile(path)) : std::nullopt;
    if (have != model.ExpectedFile(f))
      problems << GameFileName(f) << " holds " << shown(have) << ", expected " << shown(model.ExpectedFile(f))
               << "\n";
  }
  const std::map<std::string, std::string> values = game.Values();
  auto value = [&](const std::string& name) {
    const auto it = values.find(name);
    return it == values.end() ? std::optional<std::string>() : it->second;
  };
  for (int v = 0; v < model.Values(); ++v)
    if (value(ValueName(v)) != model.ExpectedValue(v))
      problems << ValueName(v) << " is " << shown(value(ValueName(v))) << ", expected "
               << shown(model.ExpectedValue(v)) << "\n";
  std::set<std::string> explained;
  for (int f = 0; f < model.Files(); ++f) explained.insert(GameFileName(f));
  for (size_t i = 0; i < AddOns().size(); ++i) {
    const TAddOn& a = AddOns()[i];
    const bool installed = model.Installed(int(i));
    const fs::path own = game.Folder() / OwnFileName(a);
    if (installed != fs::exists(own) || (installed && ReadHostFile(own) != model.OwnFileContent(int(i))))
      problems << OwnFileName(a) << (installed ? " is missing or wrong" : " is still there") << "\n";
    if (installed != value(OwnValueName(a)).has_value())
      problems << OwnValueName(a) << (installed ? " is missing" : " is still there") << "\n";
    if (installed != fs::exists(game.Folder() / UninstallerName(a)))
      problems << UninstallerName(a) << (installed ? " is missing" : " is still there") << "\n";
    if (installed)
      for (const std::string& name : {OwnFileName(a), Prefix(a) + "_hold.sh", Prefix(a) + "_hold.bat",
                                      Prefix(a) + "_install.log", UninstallerName(a), Prefix(a) + "_backup"})
        explained.insert(name);
  }
  for (const auto& entry : fs::directory_iterator(game.Folder()))
    if (!explained.contains(entry.path().filename().string()))
      problems << "the game folder holds " << entry.path().filename().string()
               << ", which nothing explains\n";
  const std::set<std::string> now = game.Untouchable();
  for (const std::string& path : now)
    if (!untouchable.contains(path)) problems << "outside the game: " << path << " appeared\n";
  for (const std::string& path : untouchable)
    if (!now.contains(path)) problems << "outside the game: " << path << " went\n";
  return problems.str();
}

// ---- sequences --------------------------------------------------------------------------

struct TOutcome {
  int failedAt = -1;  // the step after which the machine differed from the model; -1: none
  std::string problems;
};

TOutcome Play(TSystem& system, const fs::path& setups, const std::vector<TStep>& steps) {
  TModel model = NewModel();
  const std::unique_ptr<TGame> game = system.NewGame(model);
  const std::set<std::string> untouchable = game->Untouchable();
  TPlayer player(system, setups);
  for (size_t i = 0; i < steps.size(); ++i) {
    if (!Applicable(model, steps[i])) continue;
    std::string problems = player.Run(*game, steps[i]);
    Apply(model, steps[i]);
    problems += Compare(*game, model, untouchable);
    if (!problems.empty()) return {int(i), problems};
  }
  return {};
}

// The fewest steps of a failing sequence that still fail: each step is left out in turn
// and stays out when the rest fails without it.
std::vector<TStep> Shrink(TSystem& system, const fs::path& setups, std::vector<TStep> steps) {
  for (size_t i = 0; i < steps.size();) {
    std::vector<TStep> fewer = steps;
    fewer.erase(fewer.begin() + long(i));
    const TOutcome outcome = Play(system, setups, fewer);
    if (outcome.failedAt >= 0) steps.assign(fewer.begin(), fewer.begin() + outcome.failedAt + 1);
    else ++i;
  }
  return steps;
}

std::string Recipe(const std::vector<TStep>& steps) {
  TModel model = NewModel();
  std::string text = "  0. a game in " + std::string(kGameDir) + " with " +
                     std::to_string(kGameFiles - kMadeFiles) + " files and " +
                     std::to_string(kGameValues - kMadeValues) + " values under HKCU\\" + kGameKey +
                     " (not " + GameFileName(kGameFiles - 1) + " nor " + ValueName(kGameValues - 1) + ")\n";
  int number = 0;
  for (const TStep& step : steps) {
    if (!Applicable(model, step)) continue;
    text += "  " + std::to_string(++number) + ". " + Describe(step) + "\n";
    Apply(model, step);
  }
  return text;
}

// Plays the steps; on a failure, reports it (named so) with its shrunk steps.
bool PlaySteps(TSystem& system, const fs::path& setups, const std::vector<TStep>& steps,
               const std::string& name) {
  const TOutcome outcome = Play(system, setups, steps);
  if (outcome.failedAt < 0) return true;
  const std::vector<TStep> failing(steps.begin(), steps.begin() + outcome.failedAt + 1);
  const std::vector<TStep> shrunk = Shrink(system, setups, failing);
  const TOutcome again = Play(system, setups, shrunk);
  ADD_FAILURE() << name << " fails after step " << outcome.failedAt + 1 << ":\n"
                << outcome.problems << "The steps, shrunk to " << shrunk.size() << ":\n"
                << Recipe(shrunk) << (again.failedAt >= 0 ? "which end with:\n" + again.problems : "");
  return false;
}

bool PlaySeed(TSystem& system, const fs::path& setups, uint64_t seed) {
  return PlaySteps(system, setups, Sequence(seed, 10), "LIFECYCLE_SEED=" + std::to_string(seed));
}

// Two copies at once, in every role, played before the random sequences: a second
// setup and an uninstaller started while a setup waits at its program, then an
// uninstaller killed and run again.
const std::vector<TStep> kTwoCopiesAtOnce = {
    {EStep::Install, 1},
    {EStep::SecondSetupDuringSetup, 0, 1},
    {EStep::UninstallerDuringSetup, 2, 1},
    {EStep::SecondSetupDuringSetup, 1, 2},
    {EStep::UninstallerKilledAndRunAgain, 0, 0, 60},
    {EStep::Uninstall, 1},
};

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

// Seeds that found faults, kept as fixed cases: a value two add-ons wrote over in turn
// given back wrongly (1000, 1024), an uninstaller killed after its log went left
// behind (1003), an add-on set up again over a later one's file (1016).
const std::vector<uint64_t> kFoundSeeds = {1000, 1003, 1016, 1024};

}  // namespace

void PlaySequences(TSystem& system, const fs::path& setups, uint64_t defaultSequences, bool withFoundSeeds) {
  for (const TAddOn& a : AddOns()) {
    WriteHost(setups / (Prefix(a) + ".setup"), Script(a, Prefix(a) + "_" + system.HoldProgramName()));
    const fs::path files = setups / (std::string("files") + a.letter);
    for (int f : a.files) WriteHost(files / GameFileName(f), NewModel().AddOnFileContent(a.letter - 'A', f));
    WriteHost(files / OwnFileName(a), NewModel().OwnFileContent(a.letter - 'A'));
    WriteHost(files / (Prefix(a) + "_" + system.HoldProgramName()), system.HoldProgramText());
    const ProgramResult made = system.Pack(setups / (Prefix(a) + ".setup"), setups / SetupName(a));
    ASSERT_EQ(made.status, 0) << made.err;
  }
  for (const TKnownFault& fault : kKnownFaults)
    if (!std::getenv("LIFECYCLE_KNOWN")) std::printf("left out, a known fault: %s\n", fault.what);
  if (const char* one = std::getenv("LIFECYCLE_SEED"); one && *one) {
    PlaySeed(system, setups, std::strtoull(one, nullptr, 10));
    return;
  }
  const uint64_t minutes = EnvNumber("LIFECYCLE_MINUTES", 0);
  const uint64_t sequences = EnvNumber("LIFECYCLE_SEQUENCES", defaultSequences);
  const uint64_t first = EnvNumber("LIFECYCLE_FIRST_SEED", uint64_t(std::time(nullptr)));
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::minutes(minutes);
  uint64_t count = 0, failed = 0;
  failed += !PlaySteps(system, setups, kTwoCopiesAtOnce, "two copies at once"), ++count;
  if (withFoundSeeds)
    for (uint64_t seed : kFoundSeeds) failed += !PlaySeed(system, setups, seed), ++count;
  const uint64_t fixed = count;
  for (uint64_t seed = first;
       minutes ? std::chrono::steady_clock::now() < deadline : count < sequences + fixed; ++seed) {
    std::printf("lifecycle seed %llu\n", static_cast<unsigned long long>(seed));
    std::fflush(stdout);
    failed += !PlaySeed(system, setups, seed);
    ++count;
  }
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%llu sequences, %llu failed, %.1f sequences per minute\n",
              static_cast<unsigned long long>(count), static_cast<unsigned long long>(failed),
              count * 60.0 / elapsed);
}

}  // namespace lifecycle
