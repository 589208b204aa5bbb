#include "range/range_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvo {
namespace {

RangeInput input(RangeOctets first, RangeOctets last) { return {first, last}; }

std::vector<std::string> expand(const RangeInput& in) {
  auto plan = RangePlan::build(in);
  EXPECT_TRUE(plan.has_value());
  std::vector<std::string> out;
  if (!plan) return out;
  for (std::uint32_t i = 0; i < plan->total(); ++i) {
    out.push_back(plan->currentAddressText());
    plan->advance();
  }
  return out;
}

TEST(RangePlan, ExpandsInAddressOrderAcrossThirdOctets) {
  EXPECT_EQ(expand(input({10, 0, 0, 250}, {10, 0, 1, 3})),
            (std::vector<std::string>{"10.0.0.250", "10.0.0.251", "10.0.0.252", "10.0.0.253",
                                      "10.0.0.254", "10.0.0.255", "10.0.1.0", "10.0.1.1",
                                      "10.0.1.2", "10.0.1.3"}));
  EXPECT_EQ(expand(input({192, 168, 3, 17}, {192, 168, 3, 17})),
            std::vector<std::string>{"192.168.3.17"});

  auto whole = RangePlan::build(input({10, 1, 0, 0}, {10, 1, 255, 255}));
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->total(), 65536u);
  // The cursor stays until advanced: a retried slot gets the same address.
  EXPECT_EQ(whole->currentAddressText(), "10.1.0.0");
  EXPECT_EQ(whole->currentAddressText(), "10.1.0.0");
  for (int i = 0; i < 65535; ++i) whole->advance();
  EXPECT_EQ(whole->currentAddressText(), "10.1.255.255");
}

TEST(RangePlan, ValidationRules) {
  // Different third octets leave the fourth ones free.
  auto crossing = RangePlan::build(input({10, 0, 1, 200}, {10, 0, 2, 5}));
  ASSERT_TRUE(crossing);
  EXPECT_EQ(crossing->total(), 62u);
  EXPECT_FALSE(validateRange(input({10, 0, 1, 200}, {10, 0, 1, 5})));
  EXPECT_FALSE(validateRange(input({10, 0, 2, 0}, {10, 0, 1, 255})));
  for (int field = 0; field < 8; ++field) {
    RangeInput in = input({10, 0, 0, 1}, {10, 0, 0, 2});
    (field < 4 ? in.first : in.last)[field % 4] = 256;
    EXPECT_FALSE(validateRange(in)) << "field " << field;
    (field < 4 ? in.first : in.last)[field % 4] = -1;
    EXPECT_FALSE(validateRange(in)) << "field " << field;
  }
}

TEST(RangePlan, ParsesOctetFieldsAsTyped) {
  EXPECT_EQ(parseRangeOctets("010.0.0.7"), (RangeOctets{10, 0, 0, 7}));
  EXPECT_EQ(parseRangeOctets("1.2.3.256"), (RangeOctets{1, 2, 3, 256}));
  EXPECT_EQ(RangePlan::build(input({10, 0, 0, 1}, {10, 0, 0, 1}))->prefix(), "10.0");
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "1..3.4", "1.2.3.", "a.b.c.d", "1.2.3.-4",
                          " 1.2.3.4", "1.2.3.4 ", "1.2.3.99999999999", "0x1.2.3.4"}) {
    EXPECT_FALSE(parseRangeOctets(bad)) << bad;
  }
}

struct Skip {
  int net = 0;
  int broadcast = 0;
};

Skip countSkips(std::uint32_t fromThird, std::uint32_t toThird, int bits) {
  Skip s;
  for (std::uint32_t t = fromThird; t <= toThird; ++t) {
    for (std::uint32_t f = 0; f < 256; ++f) {
      s.net += isNetworkAddress(t, f, bits);
      s.broadcast += isBroadcastAddress(t, f, bits);
    }
  }
  return s;
}

TEST(RangePlan, NetworkAndBroadcastByMaskBits) {
  EXPECT_TRUE(isNetworkAddress(0, 0, 24));
  EXPECT_TRUE(isNetworkAddress(1, 0, 24));
  EXPECT_TRUE(isBroadcastAddress(0, 255, 24));
  EXPECT_TRUE(isBroadcastAddress(1, 255, 24));
  Skip s24 = countSkips(0, 1, 24);
  EXPECT_EQ(s24.net, 2);
  EXPECT_EQ(s24.broadcast, 2);

  // /16: only x.y.0.0 and x.y.255.255 in the whole block.
  Skip s16 = countSkips(0, 255, 16);
  EXPECT_EQ(s16.net, 1);
  EXPECT_EQ(s16.broadcast, 1);
  EXPECT_TRUE(isNetworkAddress(0, 0, 16));
  EXPECT_TRUE(isBroadcastAddress(255, 255, 16));
  EXPECT_FALSE(isNetworkAddress(1, 0, 16));

  // /31: every even address is a network, every odd one a broadcast address.
  for (std::uint32_t f = 0; f < 8; ++f) {
    EXPECT_EQ(isNetworkAddress(7, f, 31), f % 2 == 0);
    EXPECT_EQ(isBroadcastAddress(7, f, 31), f % 2 == 1);
  }
  // /20 across a boundary.
  EXPECT_TRUE(isNetworkAddress(16, 0, 20));
  EXPECT_TRUE(isBroadcastAddress(15, 255, 20));
  EXPECT_FALSE(isBroadcastAddress(16, 255, 20));
}

}  // namespace
}  // namespace tarvo
