#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace tarvo {

// A thread's stop request and its wake-ups, with the real-time waits they
// end. Both are kept until seen, so one given between a thread's last look
// and its wait still ends that wait at once.
class ThreadSignal {
 public:
  using Duration = std::chrono::steady_clock::duration;

  void requestStop();
  bool stopRequested() const { return stop_.load(std::memory_order_acquire); }
  // Ends the current or the next waitForWake(); a sleep goes on.
  void wake();

  // Until the time is up or a stop is requested; true when stopped.
  bool sleepFor(Duration duration);
  // Until a wake, a stop request or the limit, if any; takes the wake.
  // True when stopped.
  bool waitForWake(std::optional<Duration> limit = std::nullopt);
  // Returns once no requestStop() or wake() is still under way, so the
  // object may be freed.
  void settle() { std::lock_guard<std::mutex> lock(mutex_); }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::atomic<bool> stop_{false};
  bool woken_ = false;
};

}  // namespace tarvo
