#include "engine/ip_address.h"

#include <gtest/gtest.h>
#include <net/if.h>

#include <string>
#include <utility>
#include <vector>

namespace tarvo {
namespace {

TEST(Ipv6Literal, ReadsEveryFormAndWritesItCanonically) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"::", "::"},
      {"::1", "::1"},
      {"FD00:0:0:0:0:0:0:1", "fd00::1"},
      {"fd00:0001::0010", "fd00:1::10"},
      {"fd00:10::10", "fd00:10::10"},
      {"2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},     // the first of two equal runs
      {"1:0:0:2:0:0:0:3", "1:0:0:2::3"},                 // the longest run
      {"2001:db8:0:1:1:1:1:1", "2001:db8:0:1:1:1:1:1"},  // one zero group stays
      {"1:2:3:4:5:6:7::", "1:2:3:4:5:6:7:0"},
      {"::2:3:4:5:6:7:8", "0:2:3:4:5:6:7:8"},
      {"::ffff:198.18.1.1", "::ffff:198.18.1.1"},
      {"::FFFF:c612:101", "::ffff:198.18.1.1"},
      {"::198.18.1.1", "::c612:101"},  // not mapped: plain groups
      {"1:2:3:4:5:6:1.2.3.4", "1:2:3:4:5:6:102:304"},
      {"[fd00::1]", "fd00::1"},
      {"fe80::1%eth0", "fe80::1%eth0"},
      {"[fe80::1%2]", "fe80::1%2"},
      {"fe80:0:0:a:0:0:0:0%tvp-link.1", "fe80:0:0:a::%tvp-link.1"},
  };
  for (const auto& [text, canonical] : rows) {
    const auto a = parseIpv6Literal(text);
    ASSERT_TRUE(a) << text;
    EXPECT_TRUE(a->isV6()) << text;
    EXPECT_EQ(a->toString(), canonical) << text;
    // The canonical text reads back as the same address.
    EXPECT_EQ(parseIpv6Literal(canonical), a) << text;
  }
}

TEST(Ipv6Literal, RejectsWhatIsNoAddress) {
  // clang-format off
  for (const char* text : {
           "", ":", ":::", "1:2:3:4:5:6:7", "1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7:8::",
           "1:2:3:4::5:6:7:8", "1::2::3", "12345::", "fd00::g", ":1::2", "1::2:", "1:2:3:4:5:6:7:8:",
           "fe80::1%", "fe80::1%a%b", "fe80::1%eth/0", "fe80::1%0123456789abcdef", "fe80::1%a b",
           "[fd00::1", "fd00::1]", "[fd00::1]:80", "[]", " fd00::1", "fd00::1 ", "fd00::1\n",
           "198.18.1.1", "::1.2.3", "::1.2.3.256", "::01.2.3.4", "::1.2.3.4.5", "1.2.3.4::",
           "::1.2.3.4:5", "1:2:3:4:5:6:7:1.2.3.4", "-1::", "0x1::"}) {
    // clang-format on
    EXPECT_EQ(parseIpv6Literal(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(Ipv6Literal, ZoneGivesTheScopeId) {
  EXPECT_EQ(parseIpv6Literal("fe80::1%7")->scopeId(), 7u);
  EXPECT_EQ(parseIpv6Literal("fe80::1%lo")->scopeId(), 0u);  // left for resolveZone
  EXPECT_EQ(parseIpv6Literal("fe80::1%lo")->zone(), "lo");

  const auto lo = resolveZone(*parseIpv6Literal("fe80::1%lo"));
  ASSERT_TRUE(lo);
  EXPECT_EQ(lo->scopeId(), if_nametoindex("lo"));
  EXPECT_EQ(lo->toString(), "fe80::1%lo");
  EXPECT_EQ(resolveZone(*parseIpv6Literal("fe80::1%tvno-such9")), std::nullopt);
  const auto plain = *parseIpv6Literal("fd00::1");
  EXPECT_EQ(resolveZone(plain), plain);
  // A scope id set by the system, with no name typed, is written as a number.
  EXPECT_EQ(plain.withScopeId(3).toString(), "fd00::1%3");
}

TEST(IpAddress, BothFamiliesInOneType) {
  const IpAddress v4 = IpAddress::v4(0xC6120101);
  EXPECT_EQ(v4.toString(), "198.18.1.1");
  EXPECT_EQ(v4.asV4(), 0xC6120101u);
  const auto mapped = *parseIpv6Literal("::ffff:198.18.1.1");
  EXPECT_EQ(mapped.asV4(), std::nullopt);  // a different family
  EXPECT_EQ(mapped.mappedV4(), 0xC6120101u);
  EXPECT_NE(mapped, v4);
  EXPECT_EQ(parseIpv6Literal("fd00::1")->mappedV4(), std::nullopt);

  // Sorted: IPv4 first, then by bytes, then zones apart.
  IpAddress last = IpAddress::v4(1);
  for (const char* text : {"::", "fd00::1", "fe80::1", "fe80::1%1"}) {
    EXPECT_LT(last, *parseIpv6Literal(text)) << text;
    last = *parseIpv6Literal(text);
  }
}

}  // namespace
}  // namespace tarvo
