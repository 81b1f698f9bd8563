#include "package/ZTI_PakDataFiles.h"

#include <algorithm>

#include "platform/Errors.h"
#include "platform/FileKinds.h"
#include "platform/Files.h"
#include "platform/Sha256.h"

namespace {

// Read in pieces this large while checking: bounded memory, few calls.
constexpr size_t kCheckChunk = 4u << 20;

}  // namespace

std::string DataFileStemOf(const std::string& programPath) {
  const size_t name = programPath.find_last_of("\\/");
  const size_t dot = programPath.rfind('.');
  if (dot == std::string::npos || (name != std::string::npos && dot < name)) return programPath;
  return programPath.substr(0, dot);
}

std::string DataFileSuffix(size_t number) { return "-" + std::to_string(number) + ".bin"; }

void TPakDataFiles::Plan(std::vector<TPakPart> parts, uint64_t start) {
  files_.clear();
  parts_ = std::move(parts);
  start_ = start;
}

uint64_t TPakDataFiles::End() const {
  uint64_t end = start_;
  for (const TPakPart& part : parts_) end += part.Size;
  return end;
}

std::optional<TDataFileFault> TPakDataFiles::Attach(const std::string& stem,
                                                    const TDataFileProgress& progress) {
  files_.clear();
  stem_ = stem;
  uint64_t total = 0;
  for (const TPakPart& part : parts_) total += part.Size;
  uint64_t done = 0;
  std::vector<platform::File> opened;
  for (size_t i = 0; i < parts_.size(); ++i) {
    const std::string path = PathOf(i);
    // A pipe or device put in its place might never end (or block the opening); a
    // folder opens on some systems and on others fails with a misleading reason.
    if (platform::IsDeviceOrPipe(path) || platform::DirectoryExists(path))
      return TDataFileFault{path, "is not a regular file"};
    platform::File file = platform::File::Open(path, platform::OpenMode::ReadKeepShut);
    if (!file.IsOpen()) {
      const bool missing = !platform::PathExists(path);
      return TDataFileFault{path, missing ? "is missing: it belongs beside the setup program"
                                          : "cannot be opened: " + platform::LastErrorText()};
    }
    if (auto fault = Check(i, file, done, total, progress)) return fault;
    opened.push_back(std::move(file));
  }
  files_ = std::move(opened);
  return std::nullopt;
}

// The size first (a short or long file fails before any reading), then the digest
// of what this handle reads, which is all that is read from it afterwards.
std::optional<TDataFileFault> TPakDataFiles::Check(size_t part, platform::File& file, uint64_t& done,
                                                   uint64_t total, const TDataFileProgress& progress) const {
  const TPakPart& expected = parts_[part];
  const std::string path = PathOf(part);
  const int64_t size = file.Size();
  if (size < 0 || static_cast<uint64_t>(size) != expected.Size)
    return TDataFileFault{path, "is " + std::to_string(size) + " bytes long; the setup needs " +
                                    std::to_string(expected.Size) + " bytes"};
  platform::Sha256 sha;
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(kCheckChunk, expected.Size)));
  for (uint64_t at = 0; at < expected.Size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), expected.Size - at));
    if (!file.ReadAt(at, chunk.data(), n))
      return TDataFileFault{path, "cannot be read: " + platform::LastErrorText()};
    sha.Update(chunk.data(), n);
    at += n;
    done += n;
    if (progress) progress(done, total);
  }
  if (sha.Finish() != expected.Sha256)
    return TDataFileFault{path,
                          "is damaged or belongs to another setup: its SHA-256 digest is not the one "
                          "the setup records"};
  return std::nullopt;
}

bool TPakDataFiles::ReadAt(uint64_t position, uint8_t* into, size_t count) const {
  if (!Attached() || position < start_) return false;
  uint64_t partStart = start_;
  for (size_t i = 0; i < parts_.size() && count > 0; ++i) {
    const uint64_t partEnd = partStart + parts_[i].Size;
    if (position < partEnd) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(count, partEnd - position));
      if (!files_[i].ReadAt(position - partStart, into, n)) return false;
      into += n;
      position += n;
      count -= n;
    }
    partStart = partEnd;
  }
  return count == 0;
}
