#include "range/range_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvo {
namespace {

std::vector<std::string> expand(Octets first, Octets last) {
  auto plan = RangePlan::build({first, last});
  std::vector<std::string> out;
  for (std::uint32_t i = 0; plan && i < plan->total(); ++i, plan->advance()) {
    out.push_back(plan->currentAddressText());
  }
  return out;
}

TEST(RangePlan, ExpandsInAddressOrder) {
  EXPECT_EQ(expand({10, 0, 0, 250}, {10, 0, 1, 3}),
            (std::vector<std::string>{"10.0.0.250", "10.0.0.251", "10.0.0.252", "10.0.0.253",
                                      "10.0.0.254", "10.0.0.255", "10.0.1.0", "10.0.1.1",
                                      "10.0.1.2", "10.0.1.3"}));
  EXPECT_EQ(expand({192, 168, 3, 17}, {192, 168, 3, 17}), std::vector<std::string>{"192.168.3.17"});
  // Different third octets leave the fourth ones free.
  EXPECT_EQ(expand({10, 0, 1, 200}, {10, 0, 2, 5}).size(), 62u);
  auto whole = expand({10, 1, 0, 0}, {10, 1, 255, 255});
  ASSERT_EQ(whole.size(), 65536u);
  EXPECT_EQ(whole.back(), "10.1.255.255");
}

TEST(RangePlan, RejectsBackwardRangesAndNonOctets) {
  EXPECT_FALSE(validateRange({{10, 0, 1, 200}, {10, 0, 1, 5}}));
  EXPECT_FALSE(validateRange({{10, 0, 2, 0}, {10, 0, 1, 255}}));
  for (int field = 0; field < 8; ++field) {
    for (int bad : {256, -1}) {
      RangeInput in{{10, 0, 0, 1}, {10, 0, 0, 2}};
      (field < 4 ? in.first : in.last)[field % 4] = bad;
      EXPECT_FALSE(validateRange(in)) << "field " << field << " = " << bad;
    }
  }
}

TEST(RangePlan, NetworkAndBroadcastByMaskBits) {
  auto skips = [](int bits, std::uint32_t toThird) {
    int net = 0, broadcast = 0;
    for (std::uint32_t t = 0; t <= toThird; ++t) {
      for (std::uint32_t f = 0; f < 256; ++f) {
        net += isNetworkAddress(t, f, bits);
        broadcast += isBroadcastAddress(t, f, bits);
      }
    }
    return std::pair{net, broadcast};
  };
  EXPECT_EQ(skips(24, 1), std::pair(2, 2));
  EXPECT_TRUE(isNetworkAddress(1, 0, 24) && isBroadcastAddress(1, 255, 24));
  // /16: only x.y.0.0 and x.y.255.255 in the whole block.
  EXPECT_EQ(skips(16, 255), std::pair(1, 1));
  EXPECT_TRUE(isNetworkAddress(0, 0, 16) && isBroadcastAddress(255, 255, 16));
  // /31: even addresses are networks, odd ones broadcasts.
  EXPECT_EQ(skips(31, 0), std::pair(128, 128));
  EXPECT_TRUE(isNetworkAddress(7, 6, 31) && isBroadcastAddress(7, 7, 31));
  EXPECT_TRUE(isNetworkAddress(16, 0, 20) && isBroadcastAddress(15, 255, 20));
}

}  // namespace
}  // namespace tarvo
