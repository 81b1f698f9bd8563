// A file that is not a regular one, for tests of programs that must refuse to read such
// a file in place of the one they expect.
#pragma once

#include <filesystem>

namespace testing_support {

// Makes at PATH the most awkward non-regular file the system has: a named pipe (whose
// opening for reading would wait for a writer) where there are such, else a folder.
// False when it could not be made.
bool MakeNonRegularFile(const std::filesystem::path& path);

}  // namespace testing_support
