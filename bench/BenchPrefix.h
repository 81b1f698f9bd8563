// A private emulated machine for one benchmark run, removed at the end, and clocks.
#pragma once

#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
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

// Processor time (user and system) of this process and of the children it waited
// for: on a machine shared with other work this measures the work, not the waiting.
inline double CpuSeconds() {
  double total = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    getrusage(who, &usage);
    total += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
             double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  return total;
}

struct Timing {
  double cpu = 0, wall = 0;
};

template <typename F>
Timing Measure(F&& work) {
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds();
  work();
  return {CpuSeconds() - cpuStart,
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

// The fastest of `runs` measurements (each run gets fresh inputs from prepare).
template <typename P, typename F>
Timing Best(int runs, P&& prepare, F&& work) {
  Timing best{1e30, 1e30};
  for (int i = 0; i < runs; ++i) {
    prepare();
    const Timing t = Measure(work);
    best.cpu = std::min(best.cpu, t.cpu);
    best.wall = std::min(best.wall, t.wall);
  }
  return best;
}

inline void Report(const char* what, const Timing& ours, const char* limitName, const Timing& limit,
                   double target) {
  std::printf(
      "%-16s cpu %6.2f s  wall %6.2f s | %-28s cpu %6.2f s  wall %6.2f s | ratio cpu %.2f  wall %.2f (target "
      "<= %.1f)\n",
      what, ours.cpu, ours.wall, limitName, limit.cpu, limit.wall, ours.cpu / limit.cpu,
      ours.wall / limit.wall, target);
}

}  // namespace bench
