// Windows has no named pipes in its file systems: a folder stands in.
#include "support/NonRegularFiles.h"

namespace testing_support {

bool MakeNonRegularFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::create_directory(path, error);
}

}  // namespace testing_support
