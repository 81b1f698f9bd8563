// The prefix as the machine on Linux, and the cheap looks at other prefixes that let
// the setup choose one without parsing every registry it finds.
#include "platform/Machine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>

#include "platform/posix/Prefix.h"

namespace platform {

namespace {

bool IsHostFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// The last name of a key path as a key line of a .reg file ends: "\\Name]" (Wine
// doubles the backslashes), or "[Name]" for a key right below the root.
std::string KeyLineEnding(std::string_view keyPath) {
  while (!keyPath.empty() && keyPath.back() == '\\') keyPath.remove_suffix(1);
  const size_t slash = keyPath.rfind('\\');
  std::string ending = slash == std::string_view::npos ? "[" : "\\\\";
  ending += keyPath.substr(slash == std::string_view::npos ? 0 : slash + 1);
  ending += ']';
  std::transform(ending.begin(), ending.end(), ending.begin(), Lower);
  return ending;
}

// Whether the file holds the text (lower case), compared without regard to case. The
// file is read in large pieces that overlap by the text's length.
bool FileMentions(const std::string& path, const std::string& lowerText) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  constexpr size_t kPiece = 1 << 20;
  std::string buffer;
  bool found = false;
  const std::boyer_moore_horspool_searcher searcher(lowerText.begin(), lowerText.end());
  for (std::string piece(kPiece, '\0'); !found;) {
    const ssize_t got = read(fd, piece.data(), piece.size());
    if (got <= 0) break;
    const size_t kept = buffer.size();
    buffer.append(piece.data(), static_cast<size_t>(got));
    std::transform(buffer.begin() + static_cast<std::ptrdiff_t>(kept), buffer.end(),
                   buffer.begin() + static_cast<std::ptrdiff_t>(kept), Lower);
    found = std::search(buffer.begin(), buffer.end(), searcher) != buffer.end();
    if (buffer.size() > lowerText.size()) buffer.erase(0, buffer.size() - lowerText.size());
  }
  close(fd);
  return found;
}

}  // namespace

bool MachineChoiceOpen() { return posix::PrefixChoiceOpen(); }

void DeferMachineChoice() { posix::SetChosenPrefix("", true); }

void UseMachine(const std::string& prefixFolder) { posix::SetChosenPrefix(prefixFolder, false); }

MachineChoiceState CurrentMachineChoice() {
  const posix::PrefixChoice choice = posix::CurrentPrefixChoice();
  return {choice.root, choice.open};
}

void RestoreMachineChoice(const MachineChoiceState& state) {
  posix::SetChosenPrefix(state.chosen, state.open);
}

std::string MachineName() { return posix::PrefixRoot(); }

bool IsLaidOutPrefix(const std::string& prefixFolder) {
  struct stat st;
  return IsHostFile(prefixFolder + "/system.reg") && stat((prefixFolder + "/dosdevices").c_str(), &st) == 0 &&
         S_ISDIR(st.st_mode);
}

bool PrefixRegistryMayHoldKey(const std::string& prefixFolder, std::string_view keyPath) {
  const std::string ending = KeyLineEnding(keyPath);
  return FileMentions(prefixFolder + "/system.reg", ending) ||
         FileMentions(prefixFolder + "/user.reg", ending);
}

}  // namespace platform
