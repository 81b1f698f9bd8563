// A prefix that belongs to another user is refused by every program that changes it,
// before anything in it is read or made: a run as root must not leave root-owned files
// in a player's prefix.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/RunProgram.h"
#include "support/TestMachine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ProgramResult;

constexpr uid_t kOtherUser = 65534;  // nobody

// Every entry below the folder, relative, with the size of each file, to see that
// nothing was made or changed.
std::vector<std::string> Listing(const fs::path& root) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const bool file = entry.is_regular_file() && !entry.is_symlink();
    names.push_back(fs::relative(entry.path(), root).string() +
                    (file ? " " + std::to_string(entry.file_size()) : std::string()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(PrefixOwner, AProgramRunInAnotherUsersPrefixIsRefusedAndChangesNothing) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give the prefix to another user";
  testing_support::TempPrefix prefix;  // WINEPREFIX points at it
  fs::create_directories(prefix.DriveC() / "setups");
  const fs::path package = prefix.DriveC() / "setups" / "package.bin";
  ASSERT_EQ(chown(prefix.Root().c_str(), kOtherUser, kOtherUser), 0);
  const std::vector<std::string> before = Listing(prefix.Root());

  const struct {
    const char* program;
    std::vector<std::string> args;
  } cases[] = {
      {"setup", {package.string(), "--silent"}},
      {"setuptool", {"reg", "set", "HKLM\\Software\\Planted", "Value", "1"}},
      {"finalise", {"C:\\setups\\package.bin"}},
  };
  for (const auto& c : cases) {
    const ProgramResult run = testing_support::RunProgram(c.program, c.args);
    EXPECT_EQ(run.status, 2) << c.program << ": " << run.err;
    EXPECT_NE(run.err.find(prefix.Root().string() + " is not owned by you"), std::string::npos)
        << c.program << ": " << run.err;
    EXPECT_NE(run.err.find("nobody"), std::string::npos) << c.program << ": " << run.err;
  }
  EXPECT_EQ(Listing(prefix.Root()), before);

  // Given back to its owner, the same prefix is used again.
  ASSERT_EQ(chown(prefix.Root().c_str(), geteuid(), getegid()), 0);
  const ProgramResult owned = testing_support::RunProgram("setuptool", cases[1].args);
  EXPECT_EQ(owned.status, 0) << owned.err;
}
