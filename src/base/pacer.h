#pragma once

#include <cstdint>
#include <optional>

#include "base/clock.h"

namespace tarvo {

// Keeps starts (of requests, workers, polls) at least an interval apart:
// the time still to wait is measured from the previous start, never from
// the end of the previous wait, so a slow request does not add to the
// interval. Before the first start nothing is owed.
class Pacer {
 public:
  Pacer(Clock& clock, std::uint32_t intervalMs) : clock_(&clock), intervalMs_(intervalMs) {}

  // What is still to wait before the next start may go.
  Clock::Duration remaining() const { return remainingAt(clock_->now()); }
  // The same for a moment the caller has read already.
  Clock::Duration remainingAt(Clock::TimePoint now) const;
  // The same in whole milliseconds, rounded up so the interval is never
  // cut short.
  std::uint32_t remainingMs() const;

  // Now is a start.
  void markStart() { previous_ = clock_->now(); }
  void markStartAt(Clock::TimePoint now) { previous_ = now; }

  // Sleeps out what remains in one wait, then marks the start.
  void paceAndMark();

  std::uint32_t intervalMs() const { return intervalMs_; }

 private:
  Clock* clock_;
  std::uint32_t intervalMs_;
  std::optional<Clock::TimePoint> previous_;
};

}  // namespace tarvo
