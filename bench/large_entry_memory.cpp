// Peak memory of extracting one large entry of 1 GiB through the setup's own path
// (ExtractGroup with the standard binding), measured in a child process, against the
// limit of 64 MiB. The package is written sparsely (its stored bytes are a hole), so
// making it costs no time; the extracted file is written for real.
#include <sys/wait.h>
#include <zlib.h>

#include <fstream>

#include "BenchUtil.h"
#include "package/ZTI_PakFile.h"
#include "script/ZTI_PakExtract.h"

int main() {
  const auto root = bench::ScratchFolder("large");
  constexpr uint32_t kSize = 1u << 30;
  const std::string name = "data\\big.ztp";
  {
    std::vector<uint8_t> tail;
    const auto put = [&](uint64_t value, int bytes) {
      for (int i = 0; i < bytes; ++i) tail.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    put(name.size(), 2);
    tail.insert(tail.end(), name.begin(), name.end());
    put(0, 4), put(0, 4), put(0, 4), put(kSize, 4), put(1, 2);
    tail.insert(tail.end(), {'Z', 'T', 'P', 'F'});
    put(1, 2), put(1, 2), put(0, 4), put(kSize, 4);
    std::ofstream out(root / "setup.pak", std::ios::binary);
    out.seekp(kSize);
    out.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
  }
  // On disk rather than in memory: a 1 GiB file in a memory folder would only measure
  // the folder's memory.
  const auto target = std::filesystem::temp_directory_path() / "se-bench-large-out";
  std::filesystem::create_directories(target);
  const pid_t child = fork();
  if (child == 0) {
    TPak pak;
    pak.Create(platform::WindowsPathOf((root / "setup.pak").string()), false, false);
    ExtractGroupToDirectory(pak, platform::WindowsPathOf(target.string()), 1);
    _exit(std::filesystem::file_size(target / "data" / "big.ztp") == kSize ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  std::filesystem::remove_all(target);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
  const double peakMiB = usage.ru_maxrss / 1024.0;
  std::printf(
      "large_entry_memory: 1 GiB large entry extracted with a peak of %.1f MiB; "
      "ratio to the 64 MiB limit %.2f (target < 1)\n",
      peakMiB, peakMiB / 64);
  return 0;
}
