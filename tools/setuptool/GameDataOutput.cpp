#include "GameDataOutput.h"

#include <cstdio>

#include "gamedata/SE_GameDataJournals.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace setuptool {

bool IsSafeRelativeName(std::string_view name) {
  if (name.empty() || name.front() == '\\' || name.front() == '/' || name.find(':') != std::string_view::npos)
    return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (!part.empty() && part.find_first_not_of('.') == std::string_view::npos && part != ".") return false;
    start = end + 1;
  }
  return true;
}

platform::Status MakeDirectories(const std::string& windowsPath) {
  if (platform::DirectoryExists(windowsPath)) return platform::Status::Success();
  const size_t slash = windowsPath.find_last_of('\\');
  if (slash != std::string::npos && slash > 0)
    if (platform::Status parent = MakeDirectories(windowsPath.substr(0, slash)); !parent) return parent;
  if (platform::MakeDirectory(windowsPath) || platform::DirectoryExists(windowsPath))
    return platform::Status::Success();
  return platform::Status::SystemFailure("cannot create " + windowsPath);
}

platform::Status WriteBelow(const std::string& windowsDir, std::string_view name,
                            const std::vector<uint8_t>& bytes) {
  if (!IsSafeRelativeName(name))
    return platform::Status::Failure("unsafe name '" + std::string(name) + "' skipped");
  std::string relative(name);
  for (char& c : relative)
    if (c == '/') c = '\\';
  const std::string path = windowsDir + "\\" + relative;
  const size_t slash = path.find_last_of('\\');
  if (platform::Status folder = MakeDirectories(path.substr(0, slash)); !folder) return folder;
  if (!platform::WriteFileBytes(path, bytes.data(), bytes.size()))
    return platform::Status::SystemFailure("cannot write " + path);
  return platform::Status::Success();
}

namespace {
TRecovery Recover(const char* command, const std::string& argument) {
  const TGameFileRecovery recovered = RecoverGameFile(platform::WindowsPathOf(argument));
  if (recovered.recovery != TRecovery::Nothing)
    std::fprintf(stderr, "%s: %s\n", command, platform::AnsiToUtf8(recovered.note).c_str());
  return recovered.recovery;
}
}  // namespace

bool RecoverBeforeUse(const char* command, const std::string& argument) {
  return Recover(command, argument) != TRecovery::Failed;
}

int RecoverCommand(const char* command, const std::string& argument) {
  const TRecovery recovery = Recover(command, argument);
  if (recovery == TRecovery::Failed) return 1;
  const char* what = recovery == TRecovery::Restored  ? "restored"
                     : recovery == TRecovery::Ignored ? "removed torn journal"
                                                      : "clean";
  std::printf("%s\t%s\n", what, argument.c_str());
  return 0;
}

}  // namespace setuptool
