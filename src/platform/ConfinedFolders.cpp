// Which folders are confined, and what a path below one of them is made of.
#include "platform/ConfinedFolders.h"

#include <mutex>

#include "platform/CodePage.h"

namespace platform {

namespace {

// Never destroyed: a folder may be let go by another static object's destructor at
// the program's end.
std::mutex& Guard() {
  static auto* guard = new std::mutex;
  return *guard;
}

std::vector<std::string>& Folders() {
  static auto* folders = new std::vector<std::string>;
  return *folders;
}

std::function<void()>& Hook() {
  static auto* hook = new std::function<void()>;
  return *hook;
}

thread_local std::string refusedLink;

// The names of a Windows path with "." and ".." applied (never above the drive), the
// drive ("c:") first.
std::vector<std::string> NamesOf(const std::string& path) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    if (name == "..") {
      if (names.size() > 1) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    start = end + 1;
  }
  return names;
}

bool SameName(const std::string& a, const std::string& b) { return AsciiLower(a) == AsciiLower(b); }

// The names of path below folder's, or nothing when folder does not hold path.
std::optional<std::vector<std::string>> NamesBelow(const std::vector<std::string>& folder,
                                                   const std::vector<std::string>& path) {
  if (folder.empty() || path.size() <= folder.size()) return std::nullopt;
  for (size_t i = 0; i < folder.size(); ++i)
    if (!SameName(folder[i], path[i])) return std::nullopt;
  return std::vector<std::string>(path.begin() + static_cast<std::ptrdiff_t>(folder.size()), path.end());
}

}  // namespace

ConfinedFolder::ConfinedFolder(const std::string& folder) : folder_(folder) {
  {
    const std::lock_guard<std::mutex> lock(Guard());
    Folders().push_back(folder_);
  }
  detail::ReleaseConfinedWalks();
}

ConfinedFolder::~ConfinedFolder() {
  {
    const std::lock_guard<std::mutex> lock(Guard());
    auto& folders = Folders();
    for (auto it = folders.begin(); it != folders.end(); ++it)
      if (*it == folder_) {
        folders.erase(it);
        break;
      }
  }
  detail::ReleaseConfinedWalks();
}

void SetConfinedChangeHook(std::function<void()> hook) {
  const std::lock_guard<std::mutex> lock(Guard());
  Hook() = std::move(hook);
}

namespace detail {

std::optional<ConfinedPath> ConfinementOf(const std::string& path) {
  const std::vector<std::string> names = NamesOf(path);
  const std::lock_guard<std::mutex> lock(Guard());
  std::optional<ConfinedPath> best;
  size_t bestDepth = 0;
  for (const std::string& folder : Folders()) {
    const std::vector<std::string> folderNames = NamesOf(folder);
    auto below = NamesBelow(folderNames, names);
    if (below && folderNames.size() > bestDepth) {
      bestDepth = folderNames.size();
      best = ConfinedPath{folder, std::move(*below)};
    }
  }
  return best;
}

void RunConfinedChangeHook() {
  std::function<void()> hook;
  {
    const std::lock_guard<std::mutex> lock(Guard());
    hook = Hook();
  }
  if (hook) hook();
}

void NoteRefusedLink(const std::string& path) { refusedLink = path; }

std::string RefusedLinkText() {
  return refusedLink.empty() ? std::string()
                             : "\"" + refusedLink + "\" is a link, which an elevated change does not follow";
}

}  // namespace detail

}  // namespace platform
