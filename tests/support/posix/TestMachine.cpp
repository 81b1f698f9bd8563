// The Linux test machine: a temporary Wine-style prefix.
#include "support/TestMachine.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/posix/Prefix.h"

namespace testing_support {

namespace {
std::filesystem::path MakeTempDirectory(const char* stem) {
  std::string pattern = (std::filesystem::temp_directory_path() / stem).string() + "XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  return pattern;
}
}  // namespace

TestMachine::TestMachine() : root_(MakeTempDirectory("se-prefix-")) {
  if (const char* old = std::getenv("WINEPREFIX")) {
    previous_ = old;
    hadPrevious_ = true;
  }
  setenv("WINEPREFIX", root_.c_str(), 1);
  // The layout exists before the test body runs, so a test may put host files in place
  // first.
  platform::posix::PrefixRoot();
}

TestMachine::~TestMachine() {
  if (hadPrevious_) setenv("WINEPREFIX", previous_.c_str(), 1);
  else unsetenv("WINEPREFIX");
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path TestMachine::DriveC() const { return root_ / "drive_c"; }

std::string TestMachine::Path(std::string_view windowsPath) const { return std::string(windowsPath); }

TempDir::TempDir() : path_(MakeTempDirectory("se-test-")) {}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace testing_support
