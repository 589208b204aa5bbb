#include "settings/options_rules.h"

#include <gtest/gtest.h>

namespace tarvo::settings {
namespace {

TEST(TosBits, BinaryTextAndTheReservedBit) {
  EXPECT_EQ(tosBinaryText(0), "00000000");
  EXPECT_EQ(tosBinaryText(0xa4), "10100100");
  EXPECT_TRUE(tosBitShown("10100100", 7));
  EXPECT_FALSE(tosBitShown("10100100", 6));
  // The reserved bit can be neither set nor kept by a click elsewhere.
  EXPECT_EQ(withTosBit(0, kTosReservedBit, true), 0);
  EXPECT_EQ(withTosBit(0x01, 7, true), 0x80);
  EXPECT_EQ(withTosBit(0xfe, 1, false), 0xfc);
  EXPECT_EQ(withTosBit(0x10, 8, true), 0x10);
}

}  // namespace
}  // namespace tarvo::settings
