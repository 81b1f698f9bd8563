// Starting programs and documents with their default action on Linux: Windows
// programs through wine, host programs directly, documents and web addresses through
// xdg-open, as the user at the desktop when the program runs as root for them.
// Children are always reaped: a handle that is released (or never kept) leaves a small
// thread waiting for the child's end.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
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

// What carries out the default action: the command, and whether it opens a document
// or an address, which happens as the user at the desktop.
struct Launch {
  std::vector<std::string> command;
  bool asDesktopUser = false;
};

// The command that carries out the default action, or nothing when there is none.
std::optional<Launch> CommandFor(const std::string& file, const std::string& parameters) {
  if (IsAddress(file)) {
    auto opener = FindOnPath("xdg-open");
    if (!opener) return std::nullopt;
    return Launch{{*opener, file}, true};
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
    return Launch{{*opener, *hostPath}, true};  // documents take no parameters
  }
  for (auto& argument : SplitCommandLine(parameters)) command.push_back(AnsiToUtf8(argument));
  return Launch{command, false};
}

void ReapLater(pid_t pid) {
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

// The user at the desktop when the program runs as root through sudo or pkexec: the
// user who asked for the rights. Nothing when there is no other user to be.
struct DesktopUser {
  uid_t uid;
  gid_t gid;
  std::string name;
  std::string home;
  std::vector<gid_t> groups;
};

std::optional<DesktopUser> FindDesktopUser() {
  if (geteuid() != 0) return std::nullopt;
  const char* id = std::getenv("SUDO_UID");
  if (!id || !*id) id = std::getenv("PKEXEC_UID");
  if (!id || !*id) return std::nullopt;
  char* end = nullptr;
  const unsigned long uid = std::strtoul(id, &end, 10);
  if (*end != '\0' || uid == 0) return std::nullopt;
  const passwd* entry = getpwuid(static_cast<uid_t>(uid));
  if (!entry) return std::nullopt;
  DesktopUser user{entry->pw_uid, entry->pw_gid, entry->pw_name, entry->pw_dir ? entry->pw_dir : "/", {}};
  int count = 64;
  user.groups.resize(static_cast<size_t>(count));
  if (getgrouplist(entry->pw_name, entry->pw_gid, user.groups.data(), &count) < 0) {
    user.groups.resize(static_cast<size_t>(count));
    if (getgrouplist(entry->pw_name, entry->pw_gid, user.groups.data(), &count) < 0) count = 0;
  }
  user.groups.resize(static_cast<size_t>(count));
  return user;
}

// The environment with the user's own name and home in place of root's.
std::vector<std::string> EnvironmentOf(const DesktopUser& user) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry; ++entry) {
    const std::string_view text(*entry);
    if (text.rfind("HOME=", 0) == 0 || text.rfind("USER=", 0) == 0 || text.rfind("LOGNAME=", 0) == 0)
      continue;
    result.emplace_back(text);
  }
  result.push_back("HOME=" + user.home);
  result.push_back("USER=" + user.name);
  result.push_back("LOGNAME=" + user.name);
  return result;
}

// The started program gets standard input, output and error and nothing else. Every
// other descriptor is close-on-exec already, but the child holds copies of them until
// its exec, and it may outlive a setup killed in that moment: the game folder's run
// lock, an open-file-description lock, would stay held by it and turn the next run away
// as busy. Closed first thing in the child, no copy outlives the parent.
constexpr unsigned kFirstInheritedDescriptor = 3;

// Forks and runs the command with the user's identity: groups, then group, then user,
// so that no way back to root is left. The child makes only async-signal-safe calls.
pid_t SpawnAs(const DesktopUser& user, const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const auto& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const std::vector<std::string> environment = EnvironmentOf(user);
  std::vector<char*> envp;
  for (const auto& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  const long descriptorLimit = sysconf(_SC_OPEN_MAX);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  if (close_range(kFirstInheritedDescriptor, ~0U, 0) != 0)  // a kernel older than 5.9
    for (long fd = kFirstInheritedDescriptor; fd < descriptorLimit; ++fd) close(static_cast<int>(fd));
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  signal(SIGPIPE, SIG_DFL);
  setpgid(0, 0);
  if (setgroups(user.groups.size(), user.groups.data()) != 0 || setgid(user.gid) != 0 ||
      setuid(user.uid) != 0 || setuid(0) == 0)
    _exit(127);
  execve(argv[0], argv.data(), envp.data());
  _exit(127);
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
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclosefrom_np(&actions, kFirstInheritedDescriptor);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
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
  const auto launch = CommandFor(file, parameters);
  if (!launch) return false;
  // Documents and addresses open as the user who asked for root's rights: the
  // program that shows them has no business running as root.
  const std::optional<DesktopUser> user = launch->asDesktopUser ? FindDesktopUser() : std::nullopt;
  const pid_t pid = user ? SpawnAs(*user, launch->command) : Spawn(launch->command);
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
