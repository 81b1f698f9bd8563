#include "support/TempPrefix.h"

#include "platform/posix/Prefix.h"

#include <cstdlib>
#include <stdexcept>

namespace testing_support {

namespace {
std::filesystem::path MakeTempDirectory(const char* stem) {
  std::string pattern = (std::filesystem::temp_directory_path() / stem).string() + "XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  return pattern;
}
}  // namespace

TempPrefix::TempPrefix() : root_(MakeTempDirectory("se-prefix-")) {
  if (const char* old = std::getenv("WINEPREFIX")) {
    previous_ = old;
    hadPrevious_ = true;
  }
  setenv("WINEPREFIX", root_.c_str(), 1);
  // The layout exists before the test body runs, so a test may put host files in place
  // first.
  platform::posix::PrefixRoot();
}

TempPrefix::~TempPrefix() {
  if (hadPrevious_)
    setenv("WINEPREFIX", previous_.c_str(), 1);
  else
    unsetenv("WINEPREFIX");
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

TempDir::TempDir() : path_(MakeTempDirectory("se-test-")) {}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace testing_support
