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

TEST(LogOptionRules, ImmediateFollowsWhatIsLogged) {
  LogOptions replies = afterLogClick({}, LogBox::Replies, true);
  replies = afterLogClick(replies, LogBox::Immediate, true);
  EXPECT_EQ(replies, (LogOptions{true, false, false, true}));
  // Unchecking the last logged kind drops "immediate" with it.
  EXPECT_EQ(afterLogClick(replies, LogBox::Replies, false), LogOptions{});
  // Unchecking "immediate" touches nothing else.
  EXPECT_EQ(afterLogClick(replies, LogBox::Immediate, false),
            (LogOptions{true, false, false, false}));
  EXPECT_EQ(afterLogClick({false, true, true, false}, LogBox::Timeouts, true),
            (LogOptions{false, true, false, false}));
}

}  // namespace
}  // namespace tarvo::settings
