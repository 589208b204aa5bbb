#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

namespace tarvo {

class ThreadSignal;

// The monotonic clock the activities pace and wait by. Threads take it by
// reference, so a test can put a clock in its place that only pretends to
// sleep and finish a run of many seconds at once.
class Clock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Duration = std::chrono::steady_clock::duration;

  virtual ~Clock() = default;
  virtual TimePoint now() = 0;
  // Blocks the calling thread for the duration (nothing when it is not
  // positive).
  virtual void sleepFor(Duration duration) = 0;

  void sleepMs(std::uint32_t ms) { sleepFor(std::chrono::milliseconds(ms)); }

  // The one wait of an activity: the duration, unless the thread is asked
  // to stop first, which ends it at once. True when stopped. The system
  // clock waits on the signal; any other clock sleeps by its own rules (a
  // test clock moves its time through the wait at once).
  virtual bool waitFor(Duration duration, ThreadSignal& signal);
};

// The steady clock and real sleeps; lives for the whole process.
Clock& systemClock();

// Millisecond tick of a monotonic clock, truncated to 32 bits. Differences
// are taken modulo 2^32 (tickMs() - earlier), so they stay right across the
// wrap after 49.7 days.
std::uint32_t tickMs();

// Current wall-clock time with the milliseconds dropped.
std::time_t wholeSecondsNow();

// The locale's short date and long time ("%x %X"), whole seconds; at exactly
// local midnight only the date. Uses the process's LC_TIME locale.
std::string formatDateTime(std::time_t t);

// "hh:nn:ss" of a duration in seconds; whole days are dropped, so the hours
// wrap after 24. Negative durations (a clock set back) count as 0.
std::string formatDuration(std::int64_t seconds);

}  // namespace tarvo
