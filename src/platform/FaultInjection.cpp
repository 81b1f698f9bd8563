#include "platform/FaultInjection.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<int64_t> writesLeft{0};  // 0: unarmed; 1: this write fails; n: n-1 to go
std::atomic<int> armedFault{0};
std::atomic<bool> fired{false};
}  // namespace

void ArmWriteFault(int64_t writes, WriteFault fault) {
  armedFault = static_cast<int>(fault);
  fired = false;
  writesLeft = writes < 0 ? 0 : writes;
}

void DisarmWriteFault() { writesLeft = 0; }

bool WriteFaultFired() { return fired; }

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

}  // namespace detail

}  // namespace platform
