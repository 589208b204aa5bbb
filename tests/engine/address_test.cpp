#include "engine/address.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

std::optional<Ipv4Address> addr(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return static_cast<Ipv4Address>(a) << 24 | static_cast<Ipv4Address>(b) << 16 |
         static_cast<Ipv4Address>(c) << 8 | d;
}

TEST(ParseDottedAddress, ShortFormsFillTheLowBytes) {
  EXPECT_EQ(parseDottedAddress("10.1"), addr(10, 0, 0, 1));
  EXPECT_EQ(parseDottedAddress("10.1.2"), addr(10, 1, 0, 2));
  EXPECT_EQ(parseDottedAddress("1.16777215"), addr(1, 255, 255, 255));
  EXPECT_EQ(parseDottedAddress("1.2.65535"), addr(1, 2, 255, 255));
  EXPECT_EQ(parseDottedAddress("2130706433"), addr(127, 0, 0, 1));
  EXPECT_EQ(parseDottedAddress("0"), addr(0, 0, 0, 0));
  EXPECT_EQ(parseDottedAddress("192.168.1.10"), addr(192, 168, 1, 10));
}

TEST(ParseDottedAddress, HexAndOctalParts) {
  EXPECT_EQ(parseDottedAddress("0x7f.1"), addr(127, 0, 0, 1));
  EXPECT_EQ(parseDottedAddress("0X7F.0.0.0x1"), addr(127, 0, 0, 1));
  EXPECT_EQ(parseDottedAddress("012.1"), addr(10, 0, 0, 1));
  EXPECT_EQ(parseDottedAddress("0177.0.0.01"), addr(127, 0, 0, 1));
  EXPECT_FALSE(parseDottedAddress("08.1.1.1"));  // 8 is no octal digit
  EXPECT_FALSE(parseDottedAddress("0xg.1"));
}

TEST(ParseDottedAddress, AllOnesAndOutOfRangeAreNotAddresses) {
  EXPECT_FALSE(parseDottedAddress("255.255.255.255"));  // the failure answer itself
  EXPECT_FALSE(parseDottedAddress("0xffffffff"));
  EXPECT_FALSE(parseDottedAddress("4294967296"));
  EXPECT_FALSE(parseDottedAddress("256.1.1.1"));
  EXPECT_FALSE(parseDottedAddress("1.16777216"));
  EXPECT_FALSE(parseDottedAddress("1.2.65536"));
  EXPECT_EQ(parseDottedAddress("255.255.255.254"), addr(255, 255, 255, 254));
}

TEST(ParseDottedAddress, NamesAndBrokenTextsAreNotAddresses) {
  for (const char* text : {"", "localhost", "1.2.3.4.", "1.2.3.", ".1.2.3", "1..2", "1.2.3.4.5",
                           "1.2.3.4x", "-1.2.3.4", "host.example", "1.2.3.4/", "0x"}) {
    EXPECT_FALSE(parseDottedAddress(text)) << text;
  }
}

TEST(ParseDottedAddress, TrailingWhiteSpaceIsIgnored) {
  EXPECT_EQ(parseDottedAddress("127.0.0.1 "), addr(127, 0, 0, 1));
  EXPECT_EQ(parseDottedAddress("10.1\t\r\n"), addr(10, 0, 0, 1));
  EXPECT_EQ(parseDottedAddress("0x7f.1  "), addr(127, 0, 0, 1));
  for (const char* text : {" ", " 127.0.0.1", "1.2.3. ", "1.2.3.4 x", "1.2 .3.4"}) {
    EXPECT_FALSE(parseDottedAddress(text)) << text;
  }
}

TEST(StripUrlScheme, RemovesUpToTheFirstSchemeSeparatorOnly) {
  EXPECT_EQ(stripUrlScheme("http://host/"), "host/");
  EXPECT_EQ(stripUrlScheme("https://host.example/path?q=1"), "host.example/path?q=1");
  EXPECT_EQ(stripUrlScheme("a://b://c"), "b://c");
  EXPECT_EQ(stripUrlScheme("plain.host"), "plain.host");
  EXPECT_EQ(stripUrlScheme("://x"), "x");
  EXPECT_EQ(stripUrlScheme("ftp://"), "");
}

TEST(FormatAddress, DottedDecimalThatParsesBack) {
  EXPECT_EQ(formatAddress(0), "0.0.0.0");
  EXPECT_EQ(formatAddress(0xFFFFFFFF), "255.255.255.255");
  for (Ipv4Address a : {0x0A000001u, 0x7F000001u, 0xC6120A0Au, 0xFFFFFFFEu}) {
    EXPECT_EQ(parseDottedAddress(formatAddress(a)), std::optional<Ipv4Address>(a));
  }
}

}  // namespace
}  // namespace tarvo
