#include "base/pacer.h"

#include <gtest/gtest.h>

#include "manual_clock.h"

namespace tarvo {
namespace {

using namespace std::chrono_literals;

// Starts stay one interval apart counted from the previous start, and the
// wait is rounded up so the interval is never cut short.
TEST(Pacer, CountsFromThePreviousStartAndRoundsUp) {
  testing::ManualClock clock;
  Pacer pacer(clock, 300);
  EXPECT_EQ(pacer.remainingMs(), 0u);  // nothing owed before the first start
  pacer.paceAndMark();
  const auto first = clock.now();
  clock.advance(100ms + 400us);
  EXPECT_EQ(pacer.remainingMs(), 200u);  // 199.6 ms left
  pacer.paceAndMark();
  EXPECT_EQ(clock.now() - first, 300ms);
  clock.advance(900ms);  // a slow request leaves nothing to wait
  EXPECT_EQ(pacer.remainingMs(), 0u);
}

}  // namespace
}  // namespace tarvo
