// Runs one of the built programs (bin/NAME) with arguments and collects its
// standard output, standard error and exit status, for tests of the tools.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct ProgramResult {
  int status = -1;
  std::string out;
  std::string err;
};

// The file of the built program NAME: in $SE_BIN_DIR (set by the test runner), else in
// the tree's own bin folder, with the system's suffix for programs (".exe" on Windows).
std::string ProgramPath(const std::string& name);

// The program is looked up in $SE_BIN_DIR (set by the test runner), else in the
// tree's own bin folder. Arguments are passed as they are, without a shell.
ProgramResult RunProgram(const std::string& name, const std::vector<std::string>& args);
// The same for a program file anywhere (a host path).
ProgramResult RunProgramAt(const std::string& path, const std::vector<std::string>& args);

}  // namespace testing_support
