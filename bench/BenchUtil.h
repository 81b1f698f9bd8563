// Small helpers shared by the benchmarks: a scratch folder in memory, test data,
// timing, and running another program.
#pragma once

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

// A fresh folder, in memory when the host offers it (the disk's own cost would drown
// what is measured), with WINEPREFIX pointing at a prefix inside it. Removed at exit.
inline std::filesystem::path ScratchFolder(const char* name) {
  const std::filesystem::path base =
      std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
  std::string pattern = (base / (std::string("se-bench-") + name + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) std::exit(1);
  static std::filesystem::path root;
  root = pattern;
  setenv("WINEPREFIX", (root / "prefix").c_str(), 1);
  std::atexit([] { std::filesystem::remove_all(root); });
  return root;
}

inline double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double CpuSeconds(const rusage& usage) {
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall-clock and processor time of one piece of work. On a machine shared with other
// work the processor time is the steadier measure; both are printed.
struct Cost {
  double wall = 1e9, cpu = 1e9;
  void KeepBest(double w, double c) {
    wall = std::min(wall, w);
    cpu = std::min(cpu, c);
  }
};

// Measures work done in this process.
template <typename Work>
void Measure(Cost& cost, Work&& work) {
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  work();
  const double wall = Seconds(start);
  getrusage(RUSAGE_SELF, &after);
  cost.KeepBest(wall, CpuSeconds(after) - CpuSeconds(before));
}

// Content that compresses about as well as game data and text do: words from a small
// vocabulary mixed with runs of random bytes.
inline std::vector<uint8_t> MixedContent(size_t size, std::mt19937& rng, int randomPercent) {
  static const char* const kWords[] = {"terrain ",  "unit ", "model ", "texture ", "0.125 ",
                                       "scenario ", "\r\n",  "name=",  "value ",   "1024 "};
  std::vector<uint8_t> out;
  out.reserve(size);
  while (out.size() < size) {
    if (static_cast<int>(rng() % 100) < randomPercent) {
      for (int i = 0; i < 64 && out.size() < size; ++i) out.push_back(static_cast<uint8_t>(rng()));
    } else {
      for (const char* c = kWords[rng() % 10]; *c && out.size() < size; ++c) out.push_back(*c);
    }
  }
  return out;
}

// Runs a program (looked up in PATH) and waits; its output goes to /dev/null. The
// exit status, or -1. The child's peak memory and processor time are given back.
inline int Run(const std::vector<std::string>& args, long* peakKiB = nullptr, double* cpuSeconds = nullptr) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 1 /*O_WRONLY*/, 0);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  const int failed = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return -1;
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (peakKiB) *peakKiB = usage.ru_maxrss;
  if (cpuSeconds) *cpuSeconds = CpuSeconds(usage);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Measures a program run; false when it failed.
inline bool MeasureRun(Cost& cost, const std::vector<std::string>& args) {
  double cpu = 0;
  const auto start = std::chrono::steady_clock::now();
  if (Run(args, nullptr, &cpu) != 0) return false;
  cost.KeepBest(Seconds(start), cpu);
  return true;
}

// The folder of the running benchmark; the programs are in ../bin beside it.
inline std::filesystem::path ProgramFolder() {
  return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "bin";
}

}  // namespace bench
