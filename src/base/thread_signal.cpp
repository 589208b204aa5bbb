#include "base/thread_signal.h"

namespace tarvo {

// Both notify under the lock: a waiter that has seen the change may go on
// to free the object, so nothing may touch it once the lock is released.
void ThreadSignal::requestStop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_.store(true, std::memory_order_release);
  changed_.notify_all();
}

void ThreadSignal::wake() {
  std::lock_guard<std::mutex> lock(mutex_);
  woken_ = true;
  changed_.notify_all();
}

bool ThreadSignal::sleepFor(Duration duration) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, duration, [this] { return stopRequested(); });
}

bool ThreadSignal::waitForWake(std::optional<Duration> limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto seen = [this] { return woken_ || stopRequested(); };
  if (limit) {
    changed_.wait_for(lock, *limit, seen);
  } else {
    changed_.wait(lock, seen);
  }
  woken_ = false;
  return stopRequested();
}

}  // namespace tarvo
