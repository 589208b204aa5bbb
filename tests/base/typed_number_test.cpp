#include "base/typed_number.h"

#include <gtest/gtest.h>

#include <optional>

namespace tarvo {
namespace {

TEST(TypedNumber, ReadsDecimalHexAndSignsAndNothingElse) {
  const std::pair<const char*, int> numbers[] = {
      {"  +7", 7}, {"-$10", -16}, {"x1f", 31}, {"0X10", 16}, {"-2147483648", INT32_MIN}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(parseTypedInteger(text), value) << text;
  for (const char* text : {"2147483648", "12 ", "1.5", "$", ""}) {
    EXPECT_FALSE(parseTypedInteger(text)) << '"' << text << '"';
  }
}

// A field that does not read is put back to its default; one out of range
// is clamped, a negative one as unsigned; either way the field is rewritten.
TEST(TypedNumber, RepairClampsAndRewrites) {
  const RepairedNumber negative = repairUnsigned("-1", 4, 0, 65535);
  EXPECT_EQ(std::pair(negative.value, negative.rewrite), std::pair(65535u, true));
  EXPECT_EQ(repairUnsigned("abc", 4, 0, 65535).value, 4u);
  EXPECT_FALSE(repairUnsigned("0", 4, 0, 65535).rewrite);
  EXPECT_EQ(repairUnsigned("70000", 32, 18, 65500).value, 65500u);
  EXPECT_TRUE(repairUnsigned("4 ", 4, 0, 65535).rewrite);
  EXPECT_EQ(repairSigned("-3", 30, 1, 255).value, 1u);
  EXPECT_EQ(repairSigned("300", 30, 1, 255).value, 255u);
}

}  // namespace
}  // namespace tarvo
