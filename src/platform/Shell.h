// The shell: special folders and starting programs or documents with their default
// action. On Linux ".exe", ".bat" and ".com" files start through `wine` when it is
// installed, other executables start directly, and anything else opens through
// xdg-open.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Special folder ids the program asks for (the system's CSIDL values).
constexpr int kFolderPrograms = 2;       // the user's Start-menu Programs folder
constexpr int kFolderProgramFiles = 38;  // Program Files

// The folder's path without a trailing backslash; empty when the shell has none.
std::string SpecialFolderPath(int folderId);

constexpr uint32_t kStillActive = 259;

// A started process whose end can be polled. Move-only; releases itself.
class ProcessHandle {
 public:
  ProcessHandle() = default;
  ~ProcessHandle();
  ProcessHandle(ProcessHandle&& other) noexcept;
  ProcessHandle& operator=(ProcessHandle&& other) noexcept;

  bool IsValid() const { return id_ > 0; }
  // kStillActive while the process runs, then its exit status. A program may itself
  // end with that very code, so waiting loops ask HasEnded().
  uint32_t ExitCode();
  // True once the process has ended (or when there is none to wait for).
  bool HasEnded();
  // Lets the process go on without us (the handle is closed, the process is not killed).
  void Release();

 private:
  friend bool StartWithDefaultAction(const std::string&, const std::string&, ProcessHandle*);
  int64_t id_ = 0;
  bool finished_ = false;
  uint32_t exitCode_ = kStillActive;
};

// Starts a program or document with its default action and the given parameters
// (one command-line text, split as the system would). With keep set, the process is
// handed over for polling. False when nothing could be started.
//
// A program runs with the rights of the running program. A document, folder or web
// address opens as the user at the desktop: on Windows an elevated program has the
// desktop's shell open it (and leaves it unopened when there is none); on Linux a
// program run as root through sudo or pkexec opens it as the user who asked.
bool StartWithDefaultAction(const std::string& file, const std::string& parameters,
                            ProcessHandle* keep = nullptr);

}  // namespace platform
