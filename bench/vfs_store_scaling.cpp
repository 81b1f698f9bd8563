// Storing many small files into an archive: the time per file for 10,000 files
// against the time per file for 1,000, which stays near 1 when finding paths and
// folders does not grow with the archive. Both runs put 100 files in each folder, as
// game data is spread; a folder's own records are rewritten with each file stored in
// it, so for comparison the same is measured with all files in one folder.
#include <cstdio>
#include <string>
#include <vector>

#include "BenchPrefix.h"
#include "gamedata/VFS_Unit.h"
#include "platform/Files.h"

namespace {

bench::Timing Store(const std::string& path, int files, int folders) {
  TVFSFile::Create(path, 512, files * 2 + folders * 40 + 64, 16, "scaling");
  TVFSFile archive;
  archive.Open(path, true);
  const std::vector<uint8_t> data(200, 'x');
  return bench::Measure([&] {
    char name[64];
    for (int i = 0; i < files; ++i) {
      std::snprintf(name, sizeof name, "data\\f%d\\file%d.txt", i % folders, i);
      archive.Tree().PutFile(name, data.data(), data.size());
    }
    archive.Flush(false);
  });
}

}  // namespace

int main() {
  bench::ScratchPrefix prefix;
  const std::string path = platform::WindowsPathOf((prefix.Root() / "scaling.vfs").string());
  const bench::Timing small = Store(path, 1000, 10), large = Store(path, 10000, 100);
  std::printf(
      "100 files a folder: 1,000 files cpu %.3f s, 10,000 files cpu %.3f s; per-file ratio %.2f (target "
      "about 1)\n",
      small.cpu, large.cpu, (large.cpu / 10000) / (small.cpu / 1000));
  const bench::Timing oneSmall = Store(path, 1000, 1), oneLarge = Store(path, 2000, 1);
  std::printf(
      "one folder: 1,000 files cpu %.3f s, 2,000 files cpu %.3f s; per-file ratio %.2f (grows with the "
      "folder)\n",
      oneSmall.cpu, oneLarge.cpu, (oneLarge.cpu / 2000) / (oneSmall.cpu / 1000));
  return 0;
}
