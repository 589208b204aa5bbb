#include "engine/icmp_status_map.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <tuple>
#include <vector>

#include "engine/echo_status.h"

namespace tarvo {
namespace {

// Every ICMP error a reply may carry, with the text the user reads for it,
// as the echo mechanism's documentation lists them.
TEST(StatusFromIcmp, EveryErrorReadsAsItsDocumentedText) {
  const std::string net = "Destination net unreachable", host = "Destination host unreachable";
  // clang-format off
  const std::string unreachable[] = {  // destination unreachable, by code
      net, host, "Destination protocol unreachable", "Destination port unreachable",
      "Packet too big", "Bad route", net, host, host, net, host, net, host, host, host, host};
  // clang-format on
  std::vector<std::tuple<int, int, std::string>> rows = {{3, 200, host},
                                                         {11, 0, "TTL expired transit"},
                                                         {11, 1, "TTL expired reassembly"},
                                                         {12, 0, "Parameter problem"},
                                                         {12, 2, "Parameter problem"},
                                                         {4, 0, "Source quench"}};
  for (int code = 0; code < 16; ++code) rows.emplace_back(3, code, unreachable[code]);
  for (const auto& [type, code, text] : rows) {
    const auto status =
        statusFromIcmp(static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(code));
    ASSERT_TRUE(status) << type << "/" << code;
    const char* read = echoStatusText(*status);
    EXPECT_EQ(read ? std::string(read) : "", text) << type << "/" << code;
  }
  // What is not an answer to a request keeps it waiting.
  for (std::uint8_t type : {5, 8, 9, 13, 255}) {
    EXPECT_EQ(statusFromIcmp(type, 0), std::nullopt) << int(type);
  }
}

// ICMPv6 messages read as the IPv4 status nearest in meaning.
TEST(StatusFromIcmp6, EveryErrorReadsAsTheNearestIpv4Text) {
  const std::string net = "Destination net unreachable", host = "Destination host unreachable";
  // clang-format off
  const std::vector<std::tuple<int, int, std::string>> rows = {
      {1, 0, net}, {1, 1, net}, {1, 2, host}, {1, 3, host}, {1, 4, "Destination port unreachable"},
      {1, 5, net}, {1, 6, net}, {1, 7, "Bad route"}, {1, 99, host}, {2, 0, "Packet too big"},
      {3, 0, "TTL expired transit"}, {3, 1, "TTL expired reassembly"}, {4, 0, "Parameter problem"},
      {4, 2, "Parameter problem"}};
  // clang-format on
  for (const auto& [type, code, text] : rows) {
    const auto status =
        statusFromIcmp6(static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(code));
    ASSERT_TRUE(status) << type << "/" << code;
    const char* read = echoStatusText(*status);
    EXPECT_EQ(read ? std::string(read) : "", text) << type << "/" << code;
  }
  EXPECT_EQ(statusFromIcmp6(129, 0), 0u);
  // Neighbour discovery, requests and the ICMP (v4) type numbers keep a request waiting.
  for (std::uint8_t type : {0, 11, 128, 133, 134, 135, 136, 137, 255}) {
    EXPECT_EQ(statusFromIcmp6(type, 0), std::nullopt) << int(type);
  }
}

TEST(StatusFromLocalError, AccessDeniedIsABadDestinationOnlyForBroadcasts) {
  EXPECT_EQ(statusFromLocalError(EACCES, true), status::kBadDestination);
  EXPECT_EQ(statusFromLocalError(EACCES, false), status::kGeneralFailure);  // prohibit route
}

}  // namespace
}  // namespace tarvo
