// Splitting a package too large for one program file into the program and data files
// beside it (ZTI_PakDataFiles.h).
#include <algorithm>

#include "package/ZTI_PakDataFiles.h"
#include "package/ZTI_PakExtended.h"
#include "package/ZTI_PakFile.h"
#include "platform/Errors.h"
#include "platform/Sha256.h"

namespace {

constexpr size_t kCopyChunk = 4u << 20;
// A part's record in the table besides its suffix: size and SHA-256, suffix length.
constexpr size_t kPartRecordSize = 8 + 32 + 2;

// Where the program's own stored bytes must end for count data files, given the
// table's length without parts; nothing when the program and table alone pass limit.
std::optional<uint64_t> ProgramPartEnd(uint64_t limit, uint64_t hostEnd, size_t tableLength, size_t count) {
  uint64_t fixed = tableLength + kLocatorSize + kSetupHeaderSize;
  for (size_t k = 1; k <= count; ++k) fixed += kPartRecordSize + DataFileSuffix(k).size();
  if (limit < fixed || limit - fixed < hostEnd) return std::nullopt;
  return limit - fixed;
}

}  // namespace

std::vector<TPakPart> TPak::MoveIntoDataFiles(uint64_t dataEnd, size_t tableLength) {
  const uint64_t limit = splitLimit_;
  if (limit == 0 || !dataFileName_ || dataEnd + tableLength + kLocatorSize + kSetupHeaderSize <= limit)
    return {};
  // More data files make the table longer and the program's part shorter, which may
  // take one more data file: the count only grows, so this ends.
  size_t count = 0;
  uint64_t cut = 0;
  for (;;) {
    const std::optional<uint64_t> end = ProgramPartEnd(limit, header_.PakStart, tableLength, count);
    if (!end)
      throw platform::ESetupError("A split size of " + std::to_string(limit) +
                                  " bytes cannot hold the setup program with its entry table (" +
                                  std::to_string(header_.PakStart + tableLength) + " bytes)");
    cut = std::min(*end, dataEnd);
    const size_t needed = static_cast<size_t>((dataEnd - cut + limit - 1) / limit);
    if (needed <= count) break;
    count = needed;
  }
  std::vector<TPakPart> parts(count);
  for (size_t k = count; k >= 1; --k) {
    const uint64_t from = cut + (k - 1) * limit;
    parts[k - 1] = WriteDataFile(dataFileName_(k), from, std::min(from + limit, dataEnd));
    parts[k - 1].Suffix = DataFileSuffix(k);
    if (file_.Seek(static_cast<int64_t>(from)) < 0 || !file_.SetEndOfFile())
      platform::RaiseSystemError("Cannot shorten file \"" + fileName_ + "\"");
  }
  fileSize_ = file_.Size();
  return parts;
}

TPakPart TPak::WriteDataFile(const std::string& path, uint64_t from, uint64_t to) {
  platform::File out = platform::File::Open(path, platform::OpenMode::CreateTruncate);
  if (!out.IsOpen()) platform::RaiseSystemError("Cannot create file \"" + path + "\"");
  TPakPart part;
  part.Size = to - from;
  platform::Sha256 sha;
  Bytes chunk(static_cast<size_t>(std::min<uint64_t>(kCopyChunk, part.Size)));
  for (uint64_t at = from; at < to;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), to - at));
    if (!file_.ReadAt(at, chunk.data(), n))
      platform::RaiseSystemError("Cannot read file \"" + fileName_ + "\"");
    if (!out.WriteAll(chunk.data(), n)) platform::RaiseSystemError("Cannot write file \"" + path + "\"");
    sha.Update(chunk.data(), n);
    at += n;
  }
  if (!out.Flush()) platform::RaiseSystemError("Cannot write file \"" + path + "\"");
  part.Sha256 = sha.Finish();
  return part;
}
