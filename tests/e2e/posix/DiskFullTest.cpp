// A setup whose game lives on a drive that fills up during the run: the game's folder
// is a small tmpfs of its own, and the add-on brings more than it holds. The run must
// stop with exit status 1, say why (the system's reason), take back everything it had
// done, and leave no truncated file behind. Mounting needs root; the test is skipped,
// saying so, elsewhere.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/Registry.h"
#include "support/HostFiles.h"
#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::HostTreeBelow;
using testing_support::ProgramResult;
using testing_support::ReadHostFile;
using testing_support::RunProgram;
using testing_support::RunProgramAt;
using testing_support::WriteHostFile;

constexpr const char* kScript =
    "name Full\nshortname Full\noutfile Full.exe\nprefix Full\n"
    "installdir \"C:\\Games\\Full\"\npages full\nuninstallpages uninstall\n"
    "language install\\english\nuninstalllanguage uninstall\\english\n"
    "writeregstr HKCU Software\\Full Version 1\n"
    "file files\\\n";

// A small tmpfs mounted on a folder for the object's life.
class SmallDrive {
 public:
  explicit SmallDrive(const fs::path& at) : at_(at) {
    fs::create_directories(at);
    mounted_ = mount("tmpfs", at.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k") == 0;
    if (!mounted_) reason_ = std::strerror(errno);
  }
  ~SmallDrive() {
    if (mounted_) umount2(at_.c_str(), MNT_DETACH);
  }
  SmallDrive(const SmallDrive&) = delete;
  SmallDrive& operator=(const SmallDrive&) = delete;
  bool Mounted() const { return mounted_; }
  const std::string& Reason() const { return reason_; }

 private:
  fs::path at_;
  bool mounted_ = false;
  std::string reason_;
};

}  // namespace

TEST(DiskFull, TheRunStopsSaysWhyAndLeavesTheGameAsItWas) {
  if (geteuid() != 0)
    GTEST_SKIP() << "mounting the small tmpfs that fills up needs root (running as uid " << geteuid() << ")";
  testing_support::TempPrefix prefix;
  testing_support::TempDir work;
  const fs::path game = prefix.DriveC() / "Games" / "Full";
  SmallDrive drive(game);
  if (!drive.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs on " << game << ": " << drive.Reason();

  WriteHostFile(game / "game.dat", "original game data");
  WriteHostFile(game / "maps" / "m1.map", "original map");
  const std::map<std::string, std::string> before = HostTreeBelow(game);
  // Files that fit come first and replace game files; the big one does not fit.
  WriteHostFile(work.Path() / "files" / "game.dat", std::string(20000, 'g'));
  WriteHostFile(work.Path() / "files" / "maps" / "m1.map", std::string(20000, 'm'));
  WriteHostFile(work.Path() / "files" / "maps" / "m2.map", std::string(20000, 'n'));
  WriteHostFile(work.Path() / "files" / "zz_big.dat", std::string(1 << 20, 'b'));
  WriteHostFile(work.Path() / "full.setup", kScript);
  const fs::path setup = work.Path() / "Full.exe";
  const ProgramResult made =
      RunProgram("mksetup", {(work.Path() / "full.setup").string(), "-o", setup.string()});
  ASSERT_EQ(made.status, 0) << made.err;

  const ProgramResult run = RunProgramAt(setup.string(), {"--silent", "--dir", "C:\\Games\\Full"});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_NE(run.err.find("\"C:\\Games\\Full\\zz_big.dat\" could not be written: No space left on device"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("the game was left as it was"), std::string::npos) << run.err;
  // Exactly the game's files, each whole, and nothing of the run (no journal, no
  // backup folder, no half-written temporary file, no folder it made).
  EXPECT_EQ(HostTreeBelow(game), before);
  const auto key = platform::RegistryKey::Open(platform::RegistryRoot::CurrentUser, "Software\\Full", false);
  EXPECT_FALSE(key && key->ReadString("Version").AsOptional());
}
