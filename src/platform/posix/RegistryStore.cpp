#include "platform/posix/RegistryStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/CodePage.h"
#include "platform/LittleEndian.h"
#include "platform/posix/PathMap.h"
#include "platform/posix/Prefix.h"
#include "platform/posix/RegistryImage.h"

namespace platform::posix {

namespace {

enum class FileId { System, User, UserDefault };

struct FileInfo {
  const char* name;
  const char* header;
  const char16_t* root;  // the file's keys are relative to this
};

const FileInfo& Info(FileId id) {
  static const FileInfo files[] = {
      {"system.reg", kSystemRegHeader, u"\\Registry\\Machine"},
      {"user.reg", kUserRegHeader, u"\\Registry\\User\\S-1-5-21-0-0-0-1000"},
      {"userdef.reg", kUserDefRegHeader, u"\\Registry\\User\\.Default"},
  };
  return files[static_cast<int>(id)];
}

constexpr int64_t kRacyWindowNs = 100'000'000;
constexpr int kMaxLinkHops = 16;

struct Target {
  FileId file;
  std::u16string path;  // relative to the file's root, components joined by "\"
};

std::u16string Join(const std::u16string& base, const std::u16string& path) {
  return path.empty() ? base : base + u'\\' + path;
}

std::optional<Target> MapRoot(RegistryRoot root, const std::string& path) {
  const std::u16string key = NormaliseKeyPath(AnsiToWide(path));
  switch (root) {
    case RegistryRoot::LocalMachine: return Target{FileId::System, key};
    case RegistryRoot::CurrentUser: return Target{FileId::User, key};
    case RegistryRoot::ClassesRoot: return Target{FileId::System, Join(u"Software\\Classes", key)};
    case RegistryRoot::CurrentConfig:
      return Target{FileId::System, Join(u"System\\CurrentControlSet\\Hardware Profiles\\Current", key)};
    case RegistryRoot::Users: {
      const size_t slash = key.find(u'\\');
      const std::u16string first = FoldName(key.substr(0, slash));
      const std::u16string rest = slash == std::u16string::npos ? u"" : key.substr(slash + 1);
      if (first == u".default") return Target{FileId::UserDefault, rest};
      if (first == u"s-1-5-21-0-0-0-1000") return Target{FileId::User, rest};
      return std::nullopt;  // other users' hives are not kept in the prefix
    }
    default: return std::nullopt;
  }
}

int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// "" while no machine is chosen: a registry that holds nothing and takes nothing.
std::string HostFile(FileId id) {
  const std::string root = PrefixRoot();
  return root.empty() ? root : root + "/" + Info(id).name;
}

// ---- parsed files, kept while the file stays the same ----

struct CachedImage {
  struct stat identity {};
  std::shared_ptr<const RegistryImage> image;
};

std::mutex cacheMutex;
std::unordered_map<std::string, CachedImage> cache;

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

std::optional<std::string> ReadHostText(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  return text;
}

std::shared_ptr<const RegistryImage> Load(FileId id) {
  const std::string path = HostFile(id);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return RegistryImage::Parse("", path, Info(id).header);
    return RegistryImage::Unreadable(path + ": " + std::strerror(errno));
  }
  {
    std::lock_guard<std::mutex> lock(cacheMutex);
    const auto it = cache.find(path);
    if (it != cache.end() && SameFile(it->second.identity, st)) return it->second.image;
  }
  const auto text = ReadHostText(path);
  if (!text) return RegistryImage::Unreadable(path + ": " + std::strerror(errno));
  auto image = RegistryImage::Parse(std::move(*text), path, Info(id).header);
  // A file changed within the last moments may change again without its time moving.
  const int64_t changed = int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  if (NowNs() - changed > kRacyWindowNs) {
    std::lock_guard<std::mutex> lock(cacheMutex);
    cache[path] = CachedImage{st, image};
  }
  return image;
}

// ---- where a key really is: the 32-bit view and link keys ----

std::vector<std::u16string> Split(const std::u16string& path) {
  std::vector<std::u16string> parts;
  size_t start = 0;
  while (!path.empty() && start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string::npos) end = path.size();
    parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::u16string JoinParts(const std::vector<std::u16string>& parts, size_t count) {
  std::u16string path;
  for (size_t i = 0; i < count; ++i) {
    if (i) path += u'\\';
    path += parts[i];
  }
  return path;
}

// The key path after the view and the links, or nothing when a link leads out of the
// file. With followLast unset, a link key named at the end is taken as itself.
std::optional<std::u16string> Resolve(const RegistryImage& image, const Target& target, RegistryView view,
                                      bool followLast = true) {
  std::vector<std::u16string> parts = Split(target.path);
  if (view == RegistryView::Program && target.file == FileId::System && image.Win64() && parts.size() >= 2 &&
      FoldName(parts[0]) == u"software") {
    const std::u16string second = FoldName(parts[1]);
    if (second != u"classes" && second != u"wow6432node") parts.insert(parts.begin() + 1, u"Wow6432Node");
  }
  const std::u16string root = FoldName(Info(target.file).root) + u'\\';
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    bool followed = false;
    const size_t last = followLast ? parts.size() : parts.size() - std::min<size_t>(1, parts.size());
    for (size_t count = 1; count <= last && !followed; ++count) {
      const auto link = image.LinkTarget(FoldName(JoinParts(parts, count)));
      if (!link) continue;
      if (FoldName(*link).rfind(root, 0) != 0) return std::nullopt;
      std::vector<std::u16string> resolved = Split(NormaliseKeyPath(link->substr(root.size())));
      resolved.insert(resolved.end(), parts.begin() + count, parts.end());
      parts = std::move(resolved);
      followed = true;
    }
    if (!followed) return JoinParts(parts, parts.size());
  }
  return std::nullopt;  // a loop of links
}

// ---- changes ----

class PrefixLock {
 public:
  PrefixLock() : fd_(open(PrefixRoot().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0)
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~PrefixLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  PrefixLock(const PrefixLock&) = delete;
  PrefixLock& operator=(const PrefixLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_;
};

std::mutex writeMutex;  // threads of this process take turns before the file lock

// The temporaries of WriteAtomically are the file's name, a dot and six letters or
// digits. One left by a program killed between writing it and renaming it is removed
// by the next change; the caller holds the prefix's lock, so no writer of ours is
// between those two steps now.
void RemoveLeftTemporaries(const std::string& real) {
  const size_t slash = real.rfind('/');
  const std::string folder = real.substr(0, slash), stem = real.substr(slash + 1) + ".";
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() != stem.size() + 6 || name.compare(0, stem.size(), stem) != 0) continue;
    bool random = true;
    for (size_t i = stem.size(); i < name.size(); ++i)
      random = random && std::isalnum(static_cast<unsigned char>(name[i]));
    if (random) unlinkat(dirfd(dir), name.c_str(), 0);
  }
  closedir(dir);
}

bool WriteAtomically(const std::string& path, const std::string& text) {
  std::string real = path;
  struct stat st;
  const bool existed = lstat(path.c_str(), &st) == 0;
  if (existed && S_ISLNK(st.st_mode)) {
    char buffer[PATH_MAX];
    if (!realpath(path.c_str(), buffer)) return false;
    real = buffer;
  }
  const bool hasOld = stat(real.c_str(), &st) == 0;
  RemoveLeftTemporaries(real);
  std::string temp = real + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t put = write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    ok = put > 0;
    if (ok) done += static_cast<size_t>(put);
  }
  ok = ok && fchmod(fd, hasOld ? st.st_mode & 07777 : 0644) == 0;
  // Run by root in a user's prefix, the file stays the user's.
  if (ok && hasOld && geteuid() == 0 && fchown(fd, st.st_uid, st.st_gid) != 0) ok = false;
  ok = ok && fsync(fd) == 0;
  const int savedErrno = errno;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), real.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    errno = savedErrno;
  }
  return ok;
}

// Runs edit on the current state of the file under the prefix's lock and writes what
// it returns. The edit refuses the change with a failure, or gives "" when nothing
// needs writing.
Status Modify(FileId id, const std::function<Result<std::string>(const RegistryImage&)>& edit) {
  std::lock_guard<std::mutex> threads(writeMutex);
  PrefixLock lock;
  const std::string path = HostFile(id);
  if (!lock.Held())
    return Status::Failure("cannot lock the prefix " + PrefixRoot() + ": " + std::strerror(errno));
  const auto image = Load(id);
  if (!image->Problem().empty()) return Status::Failure(image->Problem() + " (the file is left as it is)");
  const Result<std::string> text = edit(*image);
  if (!text) return text.ToStatus();
  if (text->empty()) return Status::Success();
  if (!WriteAtomically(path, *text))
    return Status::Failure("cannot write " + path + ": " + std::strerror(errno));
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    std::lock_guard<std::mutex> guard(cacheMutex);
    cache[path] = CachedImage{st, RegistryImage::Parse(*text, path, Info(id).header)};
  }
  return Status::Success();
}

// Why an operation failed, with the problem of a damaged file it read.
Status Failed(const RegistryImage& image, const std::string& reason) {
  if (image.Problem().empty()) return Status::Failure(reason);
  return Status::Failure(reason + " (" + image.Problem() + ")");
}

Status NoSuchRoot(RegistryRoot root, const std::string& path) {
  return Status::Failure("no such registry root for " + DescribeRegistryKey(root, path));
}

// Looks a key up for reading (reading goes on around the damage of a damaged file).
Result<std::u16string> Find(RegistryRoot root, const std::string& path, RegistryView view,
                            std::shared_ptr<const RegistryImage>& image) {
  const auto target = MapRoot(root, path);
  if (!target) return NoSuchRoot(root, path);
  image = Load(target->file);
  auto resolved = Resolve(*image, *target, view);
  if (!resolved || !image->KeyExists(FoldName(*resolved)))
    return Failed(*image, "the key " + DescribeRegistryKey(root, path) + " does not exist");
  return std::move(*resolved);
}

// Changes the file that holds root\path. The edit gets the image as it now is and the
// key resolved in it (nothing when a link key leads out of the file), and returns the
// file's new text, or a failure to refuse the change.
template <typename Edit>
Status ModifyKey(RegistryRoot root, const std::string& path, RegistryView view, Edit edit) {
  const auto target = MapRoot(root, path);
  if (!target) return NoSuchRoot(root, path);
  return Modify(target->file, [&](const RegistryImage& image) -> Result<std::string> {
    return edit(image, Resolve(image, *target, view));
  });
}

}  // namespace

std::string DescribeRegistryKey(RegistryRoot root, const std::string& path) {
  static const char* const names[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT",
                                      "HKEY_USERS", "HKEY_CURRENT_CONFIG"};
  const int code = static_cast<int>(root);
  return std::string(code >= 0 && code <= 4 ? names[code] : "(no root)") + (path.empty() ? "" : "\\" + path);
}

std::string RegistryDamageAt(RegistryRoot root, const std::string& path) {
  const auto target = MapRoot(root, path);
  return target ? Load(target->file)->Problem() : std::string();
}

Status FindRegistryKey(RegistryRoot root, const std::string& path, RegistryView view) {
  std::shared_ptr<const RegistryImage> image;
  return Find(root, path, view, image).ToStatus();
}

Result<RegistryData> ReadRegistryValue(RegistryRoot root, const std::string& path, const std::string& name,
                                       RegistryView view) {
  std::shared_ptr<const RegistryImage> image;
  const auto key = Find(root, path, view, image);
  if (!key) return key.ToStatus();
  const auto value = image->FindValue(FoldName(*key), FoldName(AnsiToWide(name)));
  if (!value)
    return Failed(*image,
                  "the value \"" + name + "\" of " + DescribeRegistryKey(root, path) + " does not exist");
  return RegistryData{value->type, value->data};
}

Status CreateRegistryKey(RegistryRoot root, const std::string& path, RegistryView view) {
  if (FindRegistryKey(root, path, view)) return Status::Success();  // nothing to write
  return ModifyKey(root, path, view, [&](const RegistryImage& image, const auto& key) -> Result<std::string> {
    if (!key) return Status::Failure("a link key leads out of " + DescribeRegistryKey(root, path));
    if (image.KeyExists(FoldName(*key))) return std::string();
    return image.WithKey(*key, NowNs());
  });
}

Status WriteRegistryString(RegistryRoot root, const std::string& path, const std::string& name,
                           const std::string& data, RegistryView view) {
  return ModifyKey(root, path, view, [&](const RegistryImage& image, const auto& key) -> Result<std::string> {
    if (!key || !image.KeyExists(FoldName(*key)))
      return Status::Failure("the key " + DescribeRegistryKey(root, path) + " does not exist");
    return image.WithString(*key, AnsiToWide(name), AnsiToWide(data), NowNs());
  });
}

Status DeleteRegistryValueAt(RegistryRoot root, const std::string& path, const std::string& name,
                             RegistryView view) {
  return ModifyKey(root, path, view, [&](const RegistryImage& image, const auto& key) -> Result<std::string> {
    const std::u16string folded = FoldName(AnsiToWide(name));
    if (!key || !image.FindValue(FoldName(*key), folded))
      return Status::Failure("the value \"" + name + "\" of " + DescribeRegistryKey(root, path) +
                             " does not exist");
    return image.WithoutValue(FoldName(*key), folded, NowNs());
  });
}

Status RemoveRegistryKey(RegistryRoot root, const std::string& path, RegistryView view) {
  const auto target = MapRoot(root, path);
  if (!target || NormaliseKeyPath(AnsiToWide(path)).empty())
    return Status::Failure("cannot delete " + DescribeRegistryKey(root, path));
  return Modify(target->file, [&](const RegistryImage& image) -> Result<std::string> {
    const auto key = Resolve(image, *target, view, false);
    if (!key || !image.KeyExists(FoldName(*key)))
      return Status::Failure("the key " + DescribeRegistryKey(root, path) + " does not exist");
    if (image.HasSubkeys(FoldName(*key)))
      return Status::Failure("the key " + DescribeRegistryKey(root, path) + " has sub-keys");
    return image.WithoutKey(*key, NowNs());
  });
}

std::optional<std::string> RegistryString(const Result<RegistryData>& value) {
  if (!value || (value->type != kRegString && value->type != kRegExpandString)) return std::nullopt;
  return WideToAnsi(RegistryDataAsText(value->data));
}

std::optional<uint32_t> RegistryDword(const Result<RegistryData>& value) {
  if (!value || value->type != kRegDword || value->data.size() != 4) return std::nullopt;
  return DecodeFixed32(value->data.data());
}

}  // namespace platform::posix
