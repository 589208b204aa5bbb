#include "engine/echo_status.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvo {
namespace {

TEST(EchoStatusText, EveryTableCodeHasItsText) {
  const char* expected[] = {
      "Buffer too small",
      "Destination net unreachable",
      "Destination host unreachable",
      "Destination protocol unreachable",
      "Destination port unreachable",
      "No resources",
      "Bad option",
      "Hardware error",
      "Packet too big",
      "Request timed out",
      "Bad request",
      "Bad route",
      "TTL expired transit",
      "TTL expired reassembly",
      "Parameter problem",
      "Source quench",
      "Option too big",
      "Bad destination",
  };
  for (std::uint32_t code = 11001; code <= 11018; ++code) {
    const char* text = echoStatusText(code);
    ASSERT_NE(text, nullptr) << code;
    EXPECT_EQ(std::string(text), expected[code - 11001]) << code;
  }
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
