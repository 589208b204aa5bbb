#include "range/range_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// The size limit and the order are judged on all 128 bits, not on the low
// groups alone.
TEST(RangePlan, Ipv6Bounds) {
  struct Row {
    const char* first;
    const char* last;
    Range6Check check;
  } rows[] = {
      {"fd00::1", "fd00::1", Range6Check::Ok},
      {"fd00::", "fd00::ffff", Range6Check::Ok},
      {"fd00::ffff", "fd00::1:fffe", Range6Check::Ok},
      {"fd00::", "fd00::1:0", Range6Check::TooLarge},
      {"fd00::ffff", "fd00::1:ffff", Range6Check::TooLarge},
      {"fd00::5", "fd01::5", Range6Check::TooLarge},
      {"fd00::1:0", "fd00::ffff", Range6Check::Backward},
      {"fd01::", "fd00::ffff", Range6Check::Backward},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(checkRange6(range6(row.first, row.last)), row.check) << row.first << " " << row.last;
    EXPECT_EQ(RangePlan::build(RangeInput(range6(row.first, row.last))).has_value(),
              row.check == Range6Check::Ok)
        << row.first;
  }
}

// Walks in address order, carrying out of the low group and across bytes.
TEST(RangePlan, Ipv6WalkCarries) {
  auto plan = RangePlan::build(RangeInput(range6("fd00::fffe", "fd00::1:1")));
  ASSERT_TRUE(plan);
  EXPECT_TRUE(plan->isV6());
  EXPECT_EQ(plan->total(), 4u);
  std::vector<std::string> walked;
  for (std::uint32_t i = 0; i < plan->total(); ++i, plan->advance()) {
    walked.push_back(plan->currentAddressText());
  }
  EXPECT_EQ(walked,
            (std::vector<std::string>{"fd00::fffe", "fd00::ffff", "fd00::1:0", "fd00::1:1"}));
  auto full = RangePlan::build(RangeInput(range6("fd00::ffff:8000", "fd00::1:0:7fff")));
  ASSERT_TRUE(full);
  EXPECT_EQ(full->total(), 65536u);
  for (std::uint32_t i = 1; i < full->total(); ++i) full->advance();
  EXPECT_EQ(full->currentAddressText(), "fd00::1:0:7fff");
}

}  // namespace
}  // namespace tarvo
