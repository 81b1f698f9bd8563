// Reading files on the host, for tests that check what the programs wrote.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

// The whole file as bytes; empty when it cannot be read.
std::string ReadHostFile(const std::filesystem::path& path);

}  // namespace testing_support
