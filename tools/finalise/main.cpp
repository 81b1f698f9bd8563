// finalise: started by an uninstaller as its last act, with the uninstaller's own path
// (in double quotes) as the only argument. It waits until the uninstaller has ended
// and its file can be removed, deletes it, and removes the folder it stood in when
// that folder is empty by then. It never waits for ever: after a bounded time it
// gives up and leaves the file.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/MachineOwner.h"
#include "platform/ProgramArguments.h"
#include "platform/Result.h"
#include "platform/SystemInfo.h"

namespace {

constexpr uint32_t kPollMs = 200;
constexpr uint32_t kGiveUpMs = 60'000;

std::string ParentFolder(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Success once the file is gone: deleted by us, or by someone else meanwhile. A running
// program's file cannot be deleted on Windows, so the first success also tells that
// the uninstaller has ended.
// A failure gives the system's reason for the last attempt.
platform::Status DeleteWhenFree(const std::string& path) {
  const uint32_t start = platform::TickCount();
  while (platform::FileExists(path)) {
    if (platform::DeleteFileAt(path)) return platform::Status::Success();
    const platform::Status failure = platform::Status::Failure(platform::LastErrorText());
    if (platform::TickCount() - start >= kGiveUpMs) return failure;
    platform::SleepMs(kPollMs);
  }
  return platform::Status::Success();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = platform::StartProgram(argc, argv);
  if (arguments.size() != 1 || arguments[0].empty()) {
    std::fprintf(stderr, "usage: finalise \"UNINSTALLER\"\n");
    return 2;
  }
  if (const platform::Status owner = platform::CheckMachineOwner(); !owner) {
    std::fprintf(stderr, "finalise: %s\n", owner.Problem().c_str());
    return 2;
  }
  // A host path (as a test may give) is taken as the machine would see it.
  const std::string uninstaller = platform::WindowsPathOf(arguments[0]);
  if (const platform::Status deleted = DeleteWhenFree(uninstaller); !deleted) {
    std::fprintf(stderr, "finalise: %s could not be removed: %s\n", arguments[0].c_str(),
                 platform::AnsiToUtf8(deleted.Problem()).c_str());
    return 1;
  }
  const std::string folder = ParentFolder(uninstaller);
  if (folder.size() > 3) platform::RemoveEmptyDirectory(folder);  // never a drive root
  return 0;
}
