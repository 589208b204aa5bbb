#include "range/range_plan.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

TEST(RangePlan, RejectsBackwardRangesAndNonOctets) {
  EXPECT_FALSE(validateRange({{10, 0, 2, 0}, {10, 0, 1, 255}}));
  EXPECT_FALSE(validateRange({{10, 0, 0, 1}, {10, -1, 0, 2}}));
}

// /31: even addresses are networks, odd ones broadcasts (a /20 is the console's).
TEST(RangePlan, NetworkAndBroadcastByMaskBits) {
  EXPECT_TRUE(isNetworkAddress(7, 6, 31) && isBroadcastAddress(7, 7, 31));
  EXPECT_FALSE(isNetworkAddress(7, 7, 31) || isBroadcastAddress(7, 6, 31));
}

}  // namespace
}  // namespace tarvo
