#include "platform/WorkerCount.h"

#include <atomic>
#include <cstdlib>
#include <thread>

namespace platform {

std::optional<unsigned> ParseWorkerCount(const std::string& text) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const unsigned value = static_cast<unsigned>(std::stoul(text));
  if (value < 1 || value > kMaxWorkers) return std::nullopt;
  return value;
}

namespace {
std::atomic<unsigned> chosen{0};
}  // namespace

void SetWorkerCount(unsigned count) { chosen = count > kMaxWorkers ? kMaxWorkers : count; }

unsigned WorkerCount() {
  if (const unsigned set = chosen) return set;
  if (const char* set = std::getenv("SE_THREADS"))
    if (const auto count = ParseWorkerCount(set)) return *count;
  const unsigned cores = std::thread::hardware_concurrency();  // 0 when unknown
  return cores == 0 ? 1 : (cores > kMaxWorkers ? kMaxWorkers : cores);
}

}  // namespace platform
