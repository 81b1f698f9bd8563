#include "platform/FaultInjection.h"

#include <atomic>
#include <mutex>

#include "platform/CodePage.h"

namespace platform {

namespace {
std::atomic<int64_t> writesLeft{0};  // 0: unarmed; 1: this write fails; n: n-1 to go
std::atomic<int> armedFault{0};
std::atomic<bool> fired{false};

std::atomic<bool> holding{false};
std::mutex heldMutex;
std::string held;  // lower case, "\\" as the separator

std::string Comparable(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return AsciiLower(path);
}
}  // namespace

void ArmWriteFault(int64_t writes, WriteFault fault) {
  armedFault = static_cast<int>(fault);
  fired = false;
  writesLeft = writes < 0 ? 0 : writes;
}

void DisarmWriteFault() { writesLeft = 0; }

bool WriteFaultFired() { return fired; }

void HoldFileInUse(const std::string& path) {
  std::lock_guard<std::mutex> lock(heldMutex);
  held = Comparable(path);
  holding = true;
}

void ReleaseFileInUse() { holding = false; }

namespace detail {

bool TakeWriteFault(WriteFault& fault) {
  int64_t left = writesLeft.load(std::memory_order_relaxed);
  if (left == 0) return false;
  // Counting down to 1, then staying there: once failing, a drive keeps failing.
  while (left > 1 && !writesLeft.compare_exchange_weak(left, left - 1)) {
  }
  if (left > 1) return false;
  fault = static_cast<WriteFault>(armedFault.load());
  fired = true;
  return true;
}

bool FileHeldInUse(const std::string& path) {
  if (!holding.load(std::memory_order_relaxed)) return false;
  std::lock_guard<std::mutex> lock(heldMutex);
  return holding && held == Comparable(path);
}

}  // namespace detail

}  // namespace platform
