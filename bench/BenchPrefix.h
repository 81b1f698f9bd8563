// A private emulated machine for one benchmark run, removed at the end, and a clock.
#pragma once

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace bench {

class ScratchPrefix {
 public:
  ScratchPrefix() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench_XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::perror("mkdtemp");
    root_ = pattern;
    setenv("WINEPREFIX", (root_ / "prefix").c_str(), 1);
  }
  ~ScratchPrefix() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  const std::filesystem::path& Root() const { return root_; }

 private:
  std::filesystem::path root_;
};

template <typename F>
double Seconds(F&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace bench
