// The digest of a 1 GiB archive (MD5 from offset 44 to the end, 256 KiB pieces)
// against md5sum of the same file in the same run.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchPrefix.h"
#include "gamedata/VFS_Unit.h"
#include "platform/Files.h"

int main() {
  bench::ScratchPrefix prefix;
  const std::filesystem::path host = prefix.Root() / "big.vfs";
  const std::string path = platform::WindowsPathOf(host.string());
  TVFSFile::Create(path, 65536, 16384, 16, "digest bench");  // 1 GiB of blocks
  TVFSFile archive;
  archive.Open(path, false);
  archive.ComputeDigest();  // warm the page cache for both
  const double ours = bench::Seconds([&] { archive.ComputeDigest(); });
  const std::string command = "md5sum '" + host.string() + "' > /dev/null";
  const double md5sum = bench::Seconds([&] {
    if (std::system(command.c_str()) != 0) std::printf("md5sum failed\n");
  });
  std::printf("digest of %.2f GiB\t%.2f s\tmd5sum\t%.2f s\tratio %.2f (target <= 1.1)\n",
              double(std::filesystem::file_size(host)) / (1 << 30), ours, md5sum, ours / md5sum);
  return 0;
}
