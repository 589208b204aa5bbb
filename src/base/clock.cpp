#include "base/clock.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/thread_signal.h"

namespace tarvo {

bool Clock::waitFor(Duration duration, ThreadSignal& signal) {
  if (signal.stopRequested()) return true;
  sleepFor(duration);
  return signal.stopRequested();
}

namespace {
class SystemClock : public Clock {
 public:
  TimePoint now() override { return std::chrono::steady_clock::now(); }
  void sleepFor(Duration duration) override {
    if (duration > Duration::zero()) std::this_thread::sleep_for(duration);
  }
  bool waitFor(Duration duration, ThreadSignal& signal) override {
    return signal.sleepFor(duration);
  }
};
}  // namespace

Clock& systemClock() {
  // Never destroyed: detached threads may still pace while the process exits.
  static SystemClock& clock = *new SystemClock;
  return clock;
}

std::uint32_t tickMs() {
  using namespace std::chrono;
  auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

std::time_t wholeSecondsNow() { return std::time(nullptr); }

std::string formatDateTime(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  char buf[128];
  const bool midnight = local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0;
  std::size_t n = std::strftime(buf, sizeof buf, midnight ? "%x" : "%x %X", &local);
  return std::string(buf, n);
}

std::string formatDuration(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  seconds %= 24 * 3600;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return buf;
}

}  // namespace tarvo
