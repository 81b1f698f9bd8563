// Writing many small files through the platform layer (Windows paths resolved in the
// prefix, names matched without regard to case) against plain open/write/close on the
// host paths, in one new folder each: the ratio shows what the path mapping costs when
// a setup extracts thousands of files.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Files.h"

namespace {

constexpr int kFiles = 10000;
const char kBytes[512] = {};

double Seconds(const std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  // In memory when the host offers it: the disk's own cost would drown the mapping's.
  const std::filesystem::path base =
      std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
  std::string pattern = (base / "se-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const std::filesystem::path root = pattern;
  setenv("WINEPREFIX", (root / "prefix").c_str(), 1);

  // Best of three rounds each, interleaved, so that a busy machine spoils neither side.
  double raw = 1e9, mapped = 1e9, caseless = 1e9;
  for (int round = 0; round < 3; ++round) {
    const std::string folder = "Round" + std::to_string(round);
    std::filesystem::create_directories(root / "raw" / folder);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFiles; ++i) {
      const std::string path = (root / "raw" / folder / ("File" + std::to_string(i) + ".dat")).string();
      const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      if (fd < 0 || write(fd, kBytes, sizeof kBytes) != sizeof kBytes) return 1;
      close(fd);
    }
    raw = std::min(raw, Seconds(start));

    const std::string windowsFolder = "C:\\" + folder;
    platform::MakeDirectory(windowsFolder);
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFiles; ++i) {
      const std::string path = windowsFolder + "\\File" + std::to_string(i) + ".dat";
      if (!platform::WriteFileBytes(path, kBytes, sizeof kBytes)) return 1;
    }
    mapped = std::min(mapped, Seconds(start));

    start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFiles; ++i) {
      if (!platform::FileExists("c:\\" + folder + "\\file" + std::to_string(i) + ".DAT")) return 1;
    }
    caseless = std::min(caseless, Seconds(start));
  }

  std::printf("file_extract: %d new files: platform %.3f s, raw host %.3f s, ratio %.2f\n", kFiles, mapped,
              raw, mapped / raw);
  std::printf("file_extract: %d lookups in other letter case: %.3f s, ratio to raw writes %.2f\n", kFiles,
              caseless, caseless / raw);
  std::filesystem::remove_all(root);
  return 0;
}
