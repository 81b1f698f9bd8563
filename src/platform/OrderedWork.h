// Work on many items at once whose results are used in item order: `make` runs on a
// pool of worker threads, several items at a time in any order, and `take` runs on the
// calling thread for item 0, 1, 2 ... as each result is ready. So the output of a run
// (a file written, progress shown, the first failure found) is the same whatever the
// number of workers; only the time differs.
//
// Memory stays bounded: at most `window` items are being made, waiting or being
// taken, and the costs (bytes, say) of the items being made or waiting stay within
// `budget`, except that one item alone is always started however costly. The item
// being taken no longer counts against the budget, so the next one can be made
// meanwhile. With one worker, each item is made and taken in
// turn on the calling thread and no thread is started.
//
// `take` returns false to stop: no further item is started and the run returns once
// the workers are idle. An exception raised by `make` is raised again from RunInOrder
// when its item's turn comes, as if `make` had run in order; one raised by `take`
// stops the run the same way.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace platform {

struct OrderedWorkLimits {
  unsigned workers = 1;
  size_t window = 0;             // 0: twice the number of workers
  uint64_t budget = UINT64_MAX;  // total cost of the items made and not yet taken
};

template <class Result, class Cost, class Make, class Take>
void RunInOrder(size_t count, OrderedWorkLimits limits, Cost cost, Make make, Take take) {
  if (limits.workers <= 1 || count <= 1) {
    for (size_t i = 0; i < count; ++i)
      if (!take(i, make(0u, i))) return;
    return;
  }
  const size_t window = limits.window ? limits.window : 2 * static_cast<size_t>(limits.workers);
  struct Made {
    std::optional<Result> result;
    std::exception_ptr error;
  };
  std::mutex mutex;
  std::condition_variable changed;
  std::map<size_t, Made> ready;  // made, not yet taken
  size_t next = 0;               // the next item to start
  size_t taking = 0;             // the next item to take
  uint64_t inFlight = 0;         // cost of the items started and not yet taken
  bool stop = false;

  const auto mayStart = [&] {
    if (stop || next >= count) return true;
    if (next - taking >= window) return false;
    return inFlight == 0 || inFlight + cost(next) <= limits.budget;
  };
  const auto work = [&](unsigned worker) {
    std::unique_lock<std::mutex> lock(mutex);
    while (true) {
      changed.wait(lock, mayStart);
      if (stop || next >= count) return;
      const size_t item = next++;
      inFlight += cost(item);
      lock.unlock();
      Made made;
      try {
        made.result.emplace(make(worker, item));
      } catch (...) {
        made.error = std::current_exception();
      }
      lock.lock();
      ready.emplace(item, std::move(made));
      changed.notify_all();
    }
  };

  std::vector<std::thread> threads;
  struct Joiner {  // stops and joins the workers however the run ends
    std::vector<std::thread>& threads;
    std::mutex& mutex;
    std::condition_variable& changed;
    bool& stop;
    ~Joiner() {
      {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
      }
      changed.notify_all();
      for (std::thread& t : threads) t.join();
    }
  } joiner{threads, mutex, changed, stop};
  for (unsigned w = 0; w < limits.workers && w < count; ++w) threads.emplace_back(work, w);

  for (; taking < count;) {
    Made made;
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return ready.count(taking) != 0; });
      auto found = ready.find(taking);
      made = std::move(found->second);
      ready.erase(found);
      inFlight -= cost(taking);
    }
    changed.notify_all();
    if (made.error) std::rethrow_exception(made.error);
    const bool goOn = take(taking, std::move(*made.result));
    if (!goOn) return;
    std::lock_guard<std::mutex> lock(mutex);
    ++taking;
  }
}

}  // namespace platform
