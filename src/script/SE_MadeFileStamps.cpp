#include "script/SE_MadeFileStamps.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace {

constexpr std::string_view kHeader = "made files 1";

platform::Status LineFault(size_t number, const std::string& problem) {
  return platform::Status::Failure("line " + std::to_string(number) + " " + problem);
}

}  // namespace

void TMadeFileStamps::Set(const std::string& foldedPath, const TFileStamp& stamp) {
  if (foldedPath.empty() || foldedPath.find_first_of("\r\n") != std::string::npos) return;
  stamps_[platform::AsciiLower(foldedPath)] = {foldedPath, stamp};
}

void TMadeFileStamps::Erase(const std::string& foldedPath) {
  stamps_.erase(platform::AsciiLower(foldedPath));
}

std::optional<TFileStamp> TMadeFileStamps::Find(const std::string& foldedPath) const {
  const auto found = stamps_.find(platform::AsciiLower(foldedPath));
  if (found == stamps_.end()) return std::nullopt;
  return found->second.stamp;
}

std::string TMadeFileStamps::Serialize() const {
  std::string text(kHeader);
  text += '\n';
  for (const auto& [key, entry] : stamps_) text += FormatStamp(entry.stamp) + "\t" + entry.foldedPath + "\n";
  return text;
}

platform::Result<TMadeFileStamps> TMadeFileStamps::Parse(std::string_view text) {
  const size_t firstEnd = text.find('\n');
  if (firstEnd == std::string_view::npos || text.substr(0, firstEnd) != kHeader)
    return platform::Status::Failure("it does not begin with \"" + std::string(kHeader) + "\"");
  if (text.back() != '\n') return platform::Status::Failure("its last line is cut short");
  TMadeFileStamps stamps;
  size_t number = 1;
  for (size_t start = firstEnd + 1; start < text.size();) {
    const size_t end = text.find('\n', start);
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab + 1 == line.size())
      return LineFault(number, "has no path after a tab");
    const std::optional<TFileStamp> stamp = ParseStamp(line.substr(0, tab));
    if (!stamp) return LineFault(number, "does not begin with a size and a digest");
    const std::string path(line.substr(tab + 1));
    if (path.find('\r') != std::string::npos) return LineFault(number, "holds a carriage return");
    stamps.Set(path, *stamp);
  }
  return stamps;
}

std::string MadeFileStampsPath(const std::string& backupFolder) { return backupFolder + "\\~made"; }

platform::Result<TMadeFileStamps> MadeFileStampsOf(const std::string& backupFolder) {
  const std::string path = MadeFileStampsPath(backupFolder);
  const auto refused = [&](const std::string& problem) {
    return platform::Status::Failure("\"" + path + "\" " + problem);
  };
  const std::optional<platform::FileFacts> facts = platform::FileFactsOf(path);
  if (!facts) return TMadeFileStamps();
  if (facts->isDirectory) return refused("is a folder, not a record");
  if (facts->size > kMaxMadeFileRecord)
    return refused("is too large: " + std::to_string(facts->size) + " bytes, a record holds at most " +
                   std::to_string(kMaxMadeFileRecord));
  const std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes) return refused("cannot be read: " + platform::LastErrorText());
  if (bytes->size() > kMaxMadeFileRecord) return refused("grew while it was read");
  platform::Result<TMadeFileStamps> parsed =
      TMadeFileStamps::Parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  if (!parsed) return refused("is damaged: " + parsed.Problem());
  return parsed;
}
