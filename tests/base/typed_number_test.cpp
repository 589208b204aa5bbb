#include "base/typed_number.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

TEST(TypedNumber, ParsesDecimalHexAndSigns) {
  EXPECT_EQ(parseTypedInteger("42"), 42);
  EXPECT_EQ(parseTypedInteger("  7"), 7);
  EXPECT_EQ(parseTypedInteger("+7"), 7);
  EXPECT_EQ(parseTypedInteger("-5"), -5);
  EXPECT_EQ(parseTypedInteger("$10"), 16);
  EXPECT_EQ(parseTypedInteger("x1f"), 31);
  EXPECT_EQ(parseTypedInteger("0X10"), 16);
  EXPECT_EQ(parseTypedInteger("-$10"), -16);
  EXPECT_EQ(parseTypedInteger("2147483647"), 2147483647);
  EXPECT_EQ(parseTypedInteger("-2147483648"), INT32_MIN);
}

TEST(TypedNumber, RejectsWhatIsNotAWholeNumber) {
  for (const char* text : {"", " ", "abc", "12 ", "1.5", "-", "$", "0x", "2147483648",
                           "99999999999999999999", "12a", "$g"}) {
    EXPECT_FALSE(parseTypedInteger(text).has_value()) << '"' << text << '"';
  }
}

TEST(TypedNumber, RepairClampsAsUnsigned) {
  auto r = repairUnsigned("-1", 4, 0, 65535);
  EXPECT_EQ(r.value, 65535u);
  EXPECT_TRUE(r.rewrite);
  r = repairUnsigned("abc", 4, 0, 65535);
  EXPECT_EQ(r.value, 4u);
  EXPECT_TRUE(r.rewrite);
  r = repairUnsigned("0", 4, 0, 65535);
  EXPECT_EQ(r.value, 0u);
  EXPECT_FALSE(r.rewrite);
  EXPECT_EQ(repairUnsigned("0", 1, 1, 65535).value, 1u);
  EXPECT_EQ(repairUnsigned("70000", 32, 18, 65500).value, 65500u);
  EXPECT_EQ(repairUnsigned("4 ", 4, 0, 65535).value, 4u);
  EXPECT_TRUE(repairUnsigned("4 ", 4, 0, 65535).rewrite);
  EXPECT_EQ(repairUnsigned("0x10", 4, 0, 65535).value, 16u);
}

TEST(TypedNumber, SignedRepairForHopCounts) {
  EXPECT_EQ(repairSigned("0", 30, 1, 255).value, 1u);
  EXPECT_EQ(repairSigned("-3", 30, 1, 255).value, 1u);
  EXPECT_EQ(repairSigned("300", 30, 1, 255).value, 255u);
  EXPECT_EQ(repairSigned("x", 30, 1, 255).value, 30u);
  EXPECT_FALSE(repairSigned("30", 30, 1, 255).rewrite);
}

}  // namespace
}  // namespace tarvo
