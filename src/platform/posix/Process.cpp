// Starting programs and documents with their default action on Linux: Windows
// programs through wine, host programs directly, documents and web addresses through
// xdg-open. Children are always reaped: a handle that is released (or never kept)
// leaves a small thread waiting for the child's end.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/CodePage.h"
#include "platform/CommandLine.h"
#include "platform/Shell.h"
#include "platform/posix/PathMap.h"

extern char** environ;

namespace platform {

namespace {

std::optional<std::string> FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const size_t colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    const std::string candidate = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + program;
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
    if (colon == std::string_view::npos) return std::nullopt;
    rest = rest.substr(colon + 1);
  }
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
  const std::string_view end(suffix);
  return text.size() >= end.size() &&
         SameTextAscii(std::string_view(text).substr(text.size() - end.size()), end);
}

// "http://...", "mailto:..." and their kind: a scheme of two or more letters, so that a
// drive letter never counts.
bool IsAddress(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = text[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !(i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return false;
  }
  return true;
}

std::string Magic(const std::string& hostPath) {
  char bytes[4] = {};
  const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string();
  const ssize_t got = read(fd, bytes, sizeof bytes);
  close(fd);
  return std::string(bytes, got > 0 ? static_cast<size_t>(got) : 0);
}

// The command that carries out the default action, or nothing when there is none.
std::optional<std::vector<std::string>> CommandFor(const std::string& file, const std::string& parameters) {
  if (IsAddress(file)) {
    auto opener = FindOnPath("xdg-open");
    if (!opener) return std::nullopt;
    return std::vector<std::string>{*opener, file};
  }
  const auto hostPath = posix::ResolveHostPath(file);
  struct stat st;
  if (!hostPath || stat(hostPath->c_str(), &st) != 0) return std::nullopt;
  std::vector<std::string> command;
  const bool isFile = !S_ISDIR(st.st_mode);  // a folder opens in the file manager
  const std::string magic = isFile ? Magic(*hostPath) : std::string();
  const bool hostProgram = magic.rfind(
                               "\x7f"
                               "ELF",
                               0) == 0 ||
                           magic.rfind("#!", 0) == 0;
  const bool windowsProgram = isFile && !hostProgram &&
                              (magic.rfind("MZ", 0) == 0 || EndsWithNoCase(*hostPath, ".exe") ||
                               EndsWithNoCase(*hostPath, ".bat") || EndsWithNoCase(*hostPath, ".com"));
  if (hostProgram) {
    // Started as Windows would start it: no execute mark is needed.
    if (!(st.st_mode & S_IXUSR)) chmod(hostPath->c_str(), (st.st_mode | S_IXUSR) & 07777);
    command.push_back(*hostPath);
  } else if (windowsProgram) {
    auto wine = FindOnPath("wine");
    if (!wine) return std::nullopt;
    command = {*wine, *hostPath};
  } else if (isFile && (st.st_mode & S_IXUSR)) {
    command.push_back(*hostPath);
  } else {
    auto opener = FindOnPath("xdg-open");
    if (!opener) return std::nullopt;
    return std::vector<std::string>{*opener, *hostPath};  // documents take no parameters
  }
  for (auto& argument : SplitCommandLine(parameters)) command.push_back(AnsiToUtf8(argument));
  return command;
}

void ReapLater(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

pid_t Spawn(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const auto& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  // Its own process group: a Ctrl+C meant for the setup does not reach the program it
  // started.
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  return error == 0 ? pid : -1;
}

}  // namespace

uint32_t ProcessHandle::ExitCode() {
  if (!IsValid()) return 0;
  if (finished_) return exitCode_;
  int status = 0;
  const pid_t done = waitpid(static_cast<pid_t>(id_), &status, WNOHANG);
  if (done == 0 || (done < 0 && errno == EINTR)) return kStillActive;
  finished_ = true;
  if (done < 0) exitCode_ = 0;
  else if (WIFEXITED(status)) exitCode_ = static_cast<uint32_t>(WEXITSTATUS(status));
  else exitCode_ = 128u + static_cast<uint32_t>(WTERMSIG(status));  // as a shell reports it
  return exitCode_;
}

void ProcessHandle::Release() {
  if (IsValid() && !finished_) ReapLater(static_cast<pid_t>(id_));
  id_ = 0;
  finished_ = false;
  exitCode_ = kStillActive;
}

bool StartWithDefaultAction(const std::string& file, const std::string& parameters, ProcessHandle* keep) {
  const auto command = CommandFor(file, parameters);
  if (!command) return false;
  const pid_t pid = Spawn(*command);
  if (pid <= 0) return false;
  if (keep) {
    *keep = ProcessHandle();
    keep->id_ = pid;
  } else {
    ReapLater(pid);
  }
  return true;
}

}  // namespace platform
