// Storing a file group into a game archive and into a game package, against the limit
// both share: zlib level-9 compression of the same pieces in a bare loop. Also the
// second run of the same package update, which must write no entry data.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchPrefix.h"
#include "gamedata/SE_VFS.h"
#include "gamedata/VFS_Unit.h"
#include "gamedata/ZT_PakSystem.h"
#include "platform/Files.h"

namespace {

constexpr int kFiles = 5000;

// Game-like data: words, numbers and some binary runs, about 20 KB a file on average.
TMemoryGroupEntries MakeGroup() {
  static const char* words[] = {"texture", "model", "vertex", "layer",  "terrain", "unit",
                                "weapon",  "sound", "mesh",   "shader", "light",   "shadow",
                                "alpha",   "index", "frame",  "bone"};
  std::mt19937 random(42);
  TMemoryGroupEntries group;
  for (int i = 0; i < kFiles; ++i) {
    const size_t size = 2000 + random() % 38000;
    std::vector<uint8_t> data;
    data.reserve(size);
    while (data.size() < size) {
      if (random() % 8 == 0) {
        for (int k = 0; k < 64; ++k) data.push_back(uint8_t(random()));
      } else {
        const std::string word =
            std::string(words[random() % 16]) + " " + std::to_string(random() % 1000) + "\n";
        data.insert(data.end(), word.begin(), word.end());
      }
    }
    data.resize(size);
    group.Add("data\\set" + std::to_string(i % 50) + "\\item" + std::to_string(i) + ".dat", std::move(data));
  }
  return group;
}

size_t TotalBytes(const TMemoryGroupEntries& group) {
  size_t total = 0;
  for (const auto& item : group.items) total += item.content.size();
  return total;
}

// The bare limit: deflate every piece (at most pieceSize bytes) at level 9 into a
// reused buffer.
size_t CompressAll(const TMemoryGroupEntries& group, size_t pieceSize) {
  size_t largest = 0;
  for (const auto& item : group.items) largest = std::max(largest, item.content.size());
  std::vector<uint8_t> out(compressBound(uLong(std::min(largest, pieceSize))) + 64);
  size_t packed = 0;
  for (const auto& item : group.items) {
    size_t at = 0;
    do {
      const size_t piece = std::min(pieceSize, item.content.size() - at);
      uLongf length = uLongf(out.size());
      compress2(out.data(), &length, item.content.data() + at, uLong(piece), 9);
      packed += length;
      at += piece;
    } while (at < item.content.size());
  }
  return packed;
}

}  // namespace

int main() {
  bench::ScratchPrefix prefix;
  const TMemoryGroupEntries group = MakeGroup();
  const std::string dir = platform::WindowsPathOf(prefix.Root().string());
  std::printf("group: %d files, %.1f MB; best of 2 runs each\n", kFiles, TotalBytes(group) / 1e6);
  const auto nothing = [] {};
  size_t sink = 0;
  TMemoryGroupEntries copy = group;

  const bench::Timing vfsLimit = bench::Best(2, nothing, [&] { sink += CompressAll(group, kVFSPieceSize); });
  const std::string archive = dir + "\\data.vfs";
  const bench::Timing vfs = bench::Best(
      2, [&] { TVFSFile::Create(archive, 4096, 32768, 64, "bench"); },
      [&] { UpdateArchiveAt(archive, "data.vfs", copy, true); });
  bench::Report("vfsupdate", vfs, "zlib level 9 of the pieces", vfsLimit, 1.2);

  const bench::Timing ztpLimit = bench::Best(2, nothing, [&] { sink += CompressAll(group, SIZE_MAX); });
  const std::string package = dir + "\\data.ztp";
  const bench::Timing ztp = bench::Best(
      2, [&] { CreateEmptyPackage(package).ThrowIfFailed(); },
      [&] { PakSystem().UpdatePackageAt(package, "data.ztp", "", copy); });
  bench::Report("ztpupdate", ztp, "zlib level 9 of the entries", ztpLimit, 1.2);

  const int64_t sizeBefore = platform::File::Open(package, platform::OpenMode::ReadShared).Size();
  const bench::Timing again =
      bench::Best(1, nothing, [&] { PakSystem().UpdatePackageAt(package, "data.ztp", "", copy); });
  const int64_t sizeAfter = platform::File::Open(package, platform::OpenMode::ReadShared).Size();
  bench::Report("ztpupdate again", again, "zlib level 9 of the entries", ztpLimit, 1.2);
  std::printf(
      "ztpupdate again wrote %d entries; the package changed by %+lld bytes (the trailer's seeds only)\n",
      PakSystem().EntriesWritten(), static_cast<long long>(sizeAfter - sizeBefore));
  return sink == 0;
}
