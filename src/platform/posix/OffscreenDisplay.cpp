// Linux: a private Xvfb when $DISPLAY names none. The server tells its display
// number on a pipe (-displayfd), so no number is guessed or raced for; it listens on
// no TCP port, and it is stopped and reaped when the object goes.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "platform/OffscreenDisplay.h"

namespace platform {

namespace {

constexpr int kStartSeconds = 20;

// Starts Xvfb writing its display number to the pipe; the child's id, or -1.
pid_t StartServer(int writeEnd) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int quiet = open("/dev/null", O_WRONLY);
  if (quiet >= 0) {
    dup2(quiet, 1);
    dup2(quiet, 2);
  }
  const std::string fd = std::to_string(writeEnd);
  std::vector<std::string> args{"Xvfb",        "-displayfd", fd,    "-screen", "0",
                                "1024x768x24", "-nolisten",  "tcp", "-noreset"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  execvp("Xvfb", argv.data());
  _exit(127);
}

// The display number the server writes once it listens, or nothing within the time.
std::string ReadDisplayNumber(int readEnd) {
  std::string number;
  pollfd p{readEnd, POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kStartSeconds);
  while (std::chrono::steady_clock::now() < deadline && number.find('\n') == std::string::npos) {
    if (poll(&p, 1, 200) <= 0) continue;
    char buffer[32];
    const ssize_t n = read(readEnd, buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  const size_t end = number.find('\n');
  return end == std::string::npos ? std::string() : number.substr(0, end);
}

void StopServer(pid_t pid) {
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

}  // namespace

std::unique_ptr<OffscreenDisplay> OffscreenDisplay::Ensure(std::string& error) {
  std::unique_ptr<OffscreenDisplay> display(new OffscreenDisplay());
  if (const char* existing = std::getenv("DISPLAY"); existing && *existing) return display;
  int fds[2];
  if (pipe(fds) != 0) {
    error = "cannot start an offscreen display: no pipe";
    return nullptr;
  }
  const pid_t pid = StartServer(fds[1]);
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    error = "cannot start an offscreen display: cannot fork";
    return nullptr;
  }
  const std::string number = ReadDisplayNumber(fds[0]);
  close(fds[0]);
  if (number.empty()) {
    StopServer(pid);
    error = "cannot start an offscreen display: Xvfb did not start (is the xvfb package installed?)";
    return nullptr;
  }
  display->server_ = pid;
  setenv("DISPLAY", (":" + number).c_str(), 1);
  return display;
}

OffscreenDisplay::~OffscreenDisplay() {
  if (server_ <= 0) return;
  unsetenv("DISPLAY");
  StopServer(static_cast<pid_t>(server_));
}

}  // namespace platform
