#include "ui/SE_UiQueue.h"

void TUiQueue::SetUiThread() {
  std::lock_guard<std::mutex> lock(mutex_);
  uiThread_ = std::this_thread::get_id();
}

bool TUiQueue::OnUiThread() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return uiThread_ == std::this_thread::get_id();
}

void TUiQueue::Post(std::function<void()> fn) {
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(fn));
    wake = wake_;
  }
  if (wake) wake();
}

size_t TUiQueue::Drain() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    batch.swap(queue_);
  }
  for (auto& fn : batch) fn();
  return batch.size();
}

void TUiQueue::Clear() {
  std::deque<std::function<void()>> dropped;
  std::lock_guard<std::mutex> lock(mutex_);
  dropped.swap(queue_);
}

size_t TUiQueue::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

void TUiQueue::SetWakeHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  wake_ = std::move(hook);
}

TUiQueue& UiQueue() {
  static TUiQueue queue;
  return queue;
}
