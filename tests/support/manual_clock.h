#pragma once

#include <mutex>

#include "base/clock.h"

namespace tarvo::testing {

// A clock that only pretends to sleep: sleeping moves its time forward at
// once. Runs that would pace for seconds end in no time, and every interval
// they keep is exact. Thread-safe; all threads share the one time line.
class ManualClock : public Clock {
 public:
  TimePoint now() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
  }
  void sleepFor(Duration duration) override {
    if (duration > Duration::zero()) advance(duration);
  }
  void advance(Duration duration) {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ += duration;
  }
  // Milliseconds since the clock was made.
  long long elapsedMs() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::chrono::duration_cast<std::chrono::milliseconds>(now_ - kStart).count();
  }

 private:
  static constexpr TimePoint kStart{std::chrono::hours(1)};
  std::mutex mutex_;
  TimePoint now_ = kStart;
};

}  // namespace tarvo::testing
