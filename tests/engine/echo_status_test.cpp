#include "engine/echo_status.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvo {
namespace {

TEST(EchoStatusText, TableRunsFromBufferTooSmallToBadDestination) {
  // The ends of the table and the texts users meet most; an off-by-one in
  // the lookup shifts all of them.
  EXPECT_STREQ(echoStatusText(11001), "Buffer too small");
  EXPECT_STREQ(echoStatusText(11003), "Destination host unreachable");
  EXPECT_STREQ(echoStatusText(11010), "Request timed out");
  EXPECT_STREQ(echoStatusText(11013), "TTL expired transit");
  EXPECT_STREQ(echoStatusText(11017), "Option too big");
  EXPECT_STREQ(echoStatusText(11018), "Bad destination");
}

TEST(EchoStatusText, CodesOutsideTheTableHaveNone) {
  for (std::uint32_t code : {0u, 99u, 11000u, 11019u, 11050u, 0xFFFFFFFFu}) {
    EXPECT_EQ(echoStatusText(code), nullptr) << code;
  }
}

TEST(FormatReplySource, NamesTheReplierAndTellsWhetherItIsTheDestination) {
  EchoResult r;
  r.replyAddress = 0xC6120202;  // 198.18.2.2
  auto other = formatReplySource(r, 0xC6120A0A);
  EXPECT_EQ(other.text, "198.18.2.2");
  EXPECT_TRUE(other.fromOther);
  auto same = formatReplySource(r, 0xC6120202);
  EXPECT_FALSE(same.fromOther);
  r.replyAddress = 0xFFFFFFFF;
  EXPECT_EQ(formatReplySource(r, 0).text, "255.255.255.255");  // the longest form fits
}

}  // namespace
}  // namespace tarvo
