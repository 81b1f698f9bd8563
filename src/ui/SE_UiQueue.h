// The hand-off from the setup thread to the user-interface thread: a queue of small
// closures behind a mutex. The setup thread posts (status text, finish text, gauge
// steps, a question for the user) and the user-interface thread runs them, in order,
// when it pumps its events (every millisecond while an installation runs). The setup
// thread never touches a control itself.
#pragma once

#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

class TUiQueue {
 public:
  // The calling thread becomes the user-interface thread (the program's main thread
  // is, until told otherwise).
  void SetUiThread();
  bool OnUiThread() const;

  // Queues fn for the user-interface thread and wakes it.
  void Post(std::function<void()> fn);
  // Runs every closure queued so far, in order, on the calling thread (the
  // user-interface thread); returns how many ran. Closures posted while it runs wait
  // for the next call.
  size_t Drain();
  // Drops whatever is queued (the window the closures refer to is going away).
  void Clear();
  size_t Pending() const;

  // Called after each Post, on the posting thread: a view whose loop sleeps in the
  // toolkit sets a hook that wakes it. Empty by default.
  void SetWakeHook(std::function<void()> hook);

  // Runs fn on the user-interface thread and returns its result: at once when called
  // there, otherwise queued, with the calling thread waiting for the answer. An
  // exception thrown by fn reaches the caller.
  template <typename R>
  R Call(std::function<R()> fn) {
    if (OnUiThread()) return fn();
    auto task = std::make_shared<std::packaged_task<R()>>(std::move(fn));
    std::future<R> result = task->get_future();
    // The queue holds the only reference, so a dropped question breaks the promise
    // instead of leaving the asker waiting.
    Post([task = std::move(task)] { (*task)(); });
    return result.get();
  }

 private:
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  std::function<void()> wake_;
  std::thread::id uiThread_ = std::this_thread::get_id();
};

// The program's queue (its user-interface thread is the thread that first asks).
TUiQueue& UiQueue();
