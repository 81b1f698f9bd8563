#include "platform/posix/WalkedFolders.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/ConfinedFolders.h"

namespace platform::posix {

namespace {

struct KeptChain {
  std::mutex guard;
  uint64_t generation = 0;
  WalkedChain chain;
};

// Bumped by every change that may leave a kept chain wrong.
std::atomic<uint64_t> generation{1};

// Never destroyed: threads may end after the program's static objects are gone.
std::mutex& RegistryGuard() {
  static auto* guard = new std::mutex;
  return *guard;
}

std::vector<KeptChain*>& Registry() {
  static auto* chains = new std::vector<KeptChain*>;
  return *chains;
}

// This thread's chain, registered so that another thread can let go of its folders
// when the confined folders change; closed when the thread ends.
struct ThreadsChain {
  KeptChain* kept = nullptr;

  ~ThreadsChain() {
    if (!kept) return;
    {
      const std::lock_guard<std::mutex> lock(RegistryGuard());
      auto& chains = Registry();
      chains.erase(std::remove(chains.begin(), chains.end(), kept), chains.end());
    }
    delete kept;
  }
};

thread_local ThreadsChain threadsChain;

KeptChain& ThisThreadsChain() {
  if (!threadsChain.kept) {
    threadsChain.kept = new KeptChain;
    const std::lock_guard<std::mutex> lock(RegistryGuard());
    Registry().push_back(threadsChain.kept);
  }
  return *threadsChain.kept;
}

}  // namespace

OpenFolder::~OpenFolder() { close(descriptor_); }

void WalkedChain::Clear() {
  windowsRoot.clear();
  hostRoot.clear();
  folders.clear();
  names.clear();
}

void UseThisThreadsChain(const std::function<void(WalkedChain&)>& use) {
  KeptChain& kept = ThisThreadsChain();
  const std::lock_guard<std::mutex> lock(kept.guard);
  const uint64_t now = generation.load();
  if (kept.generation != now) {
    kept.chain.Clear();
    kept.generation = now;
  }
  use(kept.chain);
}

void ForgetWalkedFolders() { ++generation; }

}  // namespace platform::posix

namespace platform::detail {

// The folders kept open go as soon as the confined folders change, so that a run's
// end leaves none of its game folder's open.
void ReleaseConfinedWalks() {
  ++posix::generation;
  const std::lock_guard<std::mutex> lock(posix::RegistryGuard());
  for (posix::KeptChain* kept : posix::Registry()) {
    const std::lock_guard<std::mutex> chainLock(kept->guard);
    kept->chain.Clear();
  }
}

}  // namespace platform::detail
