#include "support/NonRegularFiles.h"

#include <sys/stat.h>

namespace testing_support {

bool MakeNonRegularFile(const std::filesystem::path& path) { return mkfifo(path.c_str(), 0600) == 0; }

}  // namespace testing_support
