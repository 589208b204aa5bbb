#include "range/range_plan.h"

#include <gtest/gtest.h>

#include <string>

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

Range6Input range6(const char* first, const char* last) {
  return {parseIpv6Literal(first)->bytes(), parseIpv6Literal(last)->bytes()};
}

// Size and order on all 128 bits; the walk carries out of the low groups.
TEST(RangePlan, Ipv6BoundsAndCarry) {
  EXPECT_EQ(checkRange6(range6("fd00::", "fd00::1:0")), Range6Check::TooLarge);
  EXPECT_EQ(checkRange6(range6("fd00::5", "fd01::5")), Range6Check::TooLarge);
  EXPECT_FALSE(RangePlan::build(RangeInput(range6("fd00::1:0", "fd00::ffff"))));
  auto plan = RangePlan::build(RangeInput(range6("fd00::ffff:8000", "fd00::1:0:7fff")));
  ASSERT_TRUE(plan && plan->total() == 65536u);
  std::string seen;
  for (std::uint32_t i = 0; i < plan->total(); ++i, plan->advance()) {
    if (i % 0x8000 == 0x7fff) seen += plan->currentAddressText() + " ";
  }
  EXPECT_EQ(seen, "fd00::ffff:ffff fd00::1:0:7fff ");
}

}  // namespace
}  // namespace tarvo
