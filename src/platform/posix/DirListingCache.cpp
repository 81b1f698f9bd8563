#include "platform/posix/DirListingCache.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <map>
#include <set>
#include <mutex>
#include <unordered_map>

#include "platform/CodePage.h"
#include "platform/posix/PathMap.h"

namespace platform::posix {

namespace {

constexpr size_t kMaxDirectories = 256;
// Longer than any file system's time granularity for directory changes.
constexpr int64_t kRacyWindowNs = 100'000'000;

struct Listing {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  bool reusable = false;
  std::map<std::u16string, std::string> names;  // folded -> as on disk (first kept)
  std::set<std::u16string> spelledTwice;        // folded forms with more than one name
};

std::mutex cacheMutex;
std::unordered_map<std::string, Listing> cache;

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

int64_t Nanoseconds(const timespec& t) { return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

std::u16string FoldHostName(const std::string& utf8) { return FoldName(Utf8ToWide(utf8)); }

// Adds a name under its folded form and, for a name outside Windows-1252, under the
// stand-in the program knows it by.
void AddName(Listing& listing, const std::string& name) {
  auto [it, inserted] = listing.names.emplace(FoldHostName(name), name);
  // Two names that differ only in case: the smaller one wins, whatever the order
  // the directory gives them in.
  if (!inserted && name != it->second) listing.spelledTwice.insert(it->first);
  if (!inserted && name < it->second) it->second = name;
  if (IsAscii(name)) return;  // its own name is the one the program sees
  const std::string windowsName = WindowsNameOfHostName(name);
  if (AnsiToUtf8(windowsName) != name) listing.names.emplace(FoldName(AnsiToWide(windowsName)), name);
}

// False when another spelling of the name may be left that the listing no longer
// knows of: then only reading the folder again tells.
bool RemoveName(Listing& listing, const std::string& name) {
  bool complete = true;
  for (const std::u16string& key : {FoldHostName(name), FoldName(AnsiToWide(WindowsNameOfHostName(name)))}) {
    const auto it = listing.names.find(key);
    if (it != listing.names.end() && it->second == name) listing.names.erase(it);
    if (listing.spelledTwice.count(key)) complete = false;
  }
  return complete;
}

bool ReadListing(const std::string& hostDir, const struct stat& st, Listing& listing) {
  DIR* dir = opendir(hostDir.empty() ? "/" : hostDir.c_str());
  if (!dir) return false;
  listing = Listing{};
  listing.device = st.st_dev;
  listing.inode = st.st_ino;
  listing.modified = st.st_mtim;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    AddName(listing, name);
  }
  closedir(dir);
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  listing.reusable = Nanoseconds(now) - Nanoseconds(st.st_mtim) > kRacyWindowNs;
  return true;
}

// The entry for a directory whose identity and time still match, after a change this
// process made; nothing when the directory has no usable entry.
Listing* EntryAfterOwnChange(const std::string& hostDir, struct stat& st) {
  auto it = cache.find(hostDir);
  if (it == cache.end()) return nullptr;
  if (stat(hostDir.empty() ? "/" : hostDir.c_str(), &st) != 0 || st.st_ino != it->second.inode ||
      st.st_dev != it->second.device) {
    cache.erase(it);
    return nullptr;
  }
  return &it->second;
}

}  // namespace

std::optional<std::string> FindNameIgnoringCase(const std::string& hostDir, const std::string& name,
                                                bool* folderExists) {
  struct stat st;
  const bool isFolder = stat(hostDir.empty() ? "/" : hostDir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  if (folderExists) *folderExists = isFolder;
  if (!isFolder) return std::nullopt;
  const std::u16string folded = FoldHostName(name);
  std::lock_guard<std::mutex> lock(cacheMutex);
  auto it = cache.find(hostDir);
  if (it == cache.end() || !it->second.reusable || it->second.inode != st.st_ino ||
      it->second.device != st.st_dev || !SameTime(it->second.modified, st.st_mtim)) {
    Listing fresh;
    if (!ReadListing(hostDir, st, fresh)) return std::nullopt;
    if (cache.size() >= kMaxDirectories) cache.clear();
    it = cache.insert_or_assign(hostDir, std::move(fresh)).first;
  }
  const auto found = it->second.names.find(folded);
  if (found == it->second.names.end()) return std::nullopt;
  return found->second;
}

void CacheNoteAdded(const std::string& hostDir, const std::string& name) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  struct stat st;
  Listing* listing = EntryAfterOwnChange(hostDir, st);
  if (!listing) return;
  AddName(*listing, name);
  listing->modified = st.st_mtim;
  listing->reusable = true;
}

void CacheNoteRemoved(const std::string& hostDir, const std::string& name) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  struct stat st;
  Listing* listing = EntryAfterOwnChange(hostDir, st);
  if (!listing) return;
  RemoveName(*listing, name);
  // Another spelling of the same name may still be there: read the folder again.
  listing->reusable = false;
  listing->modified = st.st_mtim;
}

void CacheNoteRenamed(const std::string& hostDir, const std::string& from, const std::string& to) {
  std::lock_guard<std::mutex> lock(cacheMutex);
  struct stat st;
  Listing* listing = EntryAfterOwnChange(hostDir, st);
  if (!listing) return;
  const bool complete = RemoveName(*listing, from);
  AddName(*listing, to);
  listing->modified = st.st_mtim;
  listing->reusable = complete;
}

}  // namespace platform::posix
