#include "support/HostFiles.h"

#include <fstream>
#include <iterator>

namespace testing_support {

std::string ReadHostFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace testing_support
