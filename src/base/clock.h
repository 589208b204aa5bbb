#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace tarvo {

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
