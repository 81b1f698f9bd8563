#include "support/RunProgram.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/TestMachine.h"

namespace testing_support {

namespace {
std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
}  // namespace

std::string ProgramPath(const std::string& name) {
  const char* binDir = std::getenv("SE_BIN_DIR");
  return std::string(binDir && *binDir ? binDir : SE_BINARY_DIR "/bin") + "/" + name;
}

ProgramResult RunProgram(const std::string& name, const std::vector<std::string>& args) {
  return RunProgramAt(ProgramPath(name), args);
}

ProgramResult RunProgramAt(const std::string& program, const std::vector<std::string>& args) {
  TempDir scratch;
  const auto outPath = scratch.Path() / "out", errPath = scratch.Path() / "err";
  ProgramResult result;
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = open("/dev/null", O_RDONLY);
    dup2(out, 1);
    dup2(err, 2);
    dup2(in, 0);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = Slurp(outPath);
  result.err = Slurp(errPath);
  return result;
}

}  // namespace testing_support
