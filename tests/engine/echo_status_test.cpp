#include "engine/echo_status.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

// The ends of the table: an off-by-one in the look-up shifts every text,
// and a code outside it has none (callers print their own line then).
TEST(EchoStatusText, TableRunsFromBufferTooSmallToBadDestination) {
  EXPECT_STREQ(echoStatusText(11001), "Buffer too small");
  EXPECT_STREQ(echoStatusText(11018), "Bad destination");
  for (std::uint32_t code : {0u, 11000u, 11019u, 11050u, 0xFFFFFFFFu}) {
    EXPECT_EQ(echoStatusText(code), nullptr) << code;
  }
}

}  // namespace
}  // namespace tarvo
