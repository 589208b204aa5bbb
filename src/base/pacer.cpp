#include "base/pacer.h"

namespace tarvo {

Clock::Duration Pacer::remainingAt(Clock::TimePoint now) const {
  if (!previous_) return Clock::Duration::zero();
  const Clock::TimePoint due = *previous_ + std::chrono::milliseconds(intervalMs_);
  return now < due ? due - now : Clock::Duration::zero();
}

std::uint32_t Pacer::remainingMs() const {
  return static_cast<std::uint32_t>(
      std::chrono::ceil<std::chrono::milliseconds>(remaining()).count());
}

void Pacer::paceAndMark() {
  const Clock::Duration wait = remaining();
  if (wait > Clock::Duration::zero()) clock_->sleepFor(wait);
  markStart();
}

}  // namespace tarvo
