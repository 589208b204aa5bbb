#include "base/pacer.h"

#include <gtest/gtest.h>

#include "manual_clock.h"

namespace tarvo {
namespace {

using namespace std::chrono_literals;

TEST(Pacer, CountsFromThePreviousStartAndRoundsUp) {
  testing::ManualClock clock;
  Pacer pacer(clock, 300);
  EXPECT_EQ(pacer.remainingMs(), 0u);  // nothing owed before the first start
  pacer.markStart();
  clock.advance(100ms + 400us);
  // 199.6 ms are left: a rounded-down wait would cut the interval short.
  EXPECT_EQ(pacer.remainingMs(), 200u);
  clock.advance(900ms);  // a slow request leaves nothing to wait
  EXPECT_EQ(pacer.remainingMs(), 0u);
}

TEST(Pacer, PaceAndMarkKeepsStartsOneIntervalApart) {
  testing::ManualClock clock;
  Pacer pacer(clock, 60);
  pacer.paceAndMark();
  const auto first = clock.now();
  clock.advance(15ms);
  pacer.paceAndMark();
  EXPECT_EQ(clock.now() - first, 60ms);
}

}  // namespace
}  // namespace tarvo
