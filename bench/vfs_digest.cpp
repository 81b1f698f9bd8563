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
  const auto nothing = [] {};
  const bench::Timing ours = bench::Best(3, nothing, [&] { archive.ComputeDigest(); });
  const std::string command = "md5sum '" + host.string() + "' > /dev/null";
  const bench::Timing md5sum = bench::Best(3, nothing, [&] {
    if (std::system(command.c_str()) != 0) std::printf("md5sum failed\n");
  });
  std::printf("archive of %.2f GiB; best of 3 runs each\n",
              double(std::filesystem::file_size(host)) / (1 << 30));
  bench::Report("digest", ours, "md5sum of the file", md5sum, 1.1);
  return 0;
}
