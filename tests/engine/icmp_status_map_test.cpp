#include "engine/icmp_status_map.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "engine/echo_status.h"

namespace tarvo {
namespace {

// Every ICMP error a reply may carry, with the text the user reads for it,
// as the echo mechanism's documentation lists them.
TEST(StatusFromIcmp, EveryErrorReadsAsItsDocumentedText) {
  const std::string net = "Destination net unreachable", host = "Destination host unreachable";
  const struct {
    std::uint8_t type, code;
    std::string text;
  } rows[] = {
      {3, 0, net},
      {3, 1, host},
      {3, 2, "Destination protocol unreachable"},
      {3, 3, "Destination port unreachable"},
      {3, 4, "Packet too big"},
      {3, 5, "Bad route"},
      {3, 6, net},
      {3, 7, host},
      {3, 8, host},
      {3, 9, net},
      {3, 10, host},
      {3, 11, net},
      {3, 12, host},
      {3, 13, host},
      {3, 14, host},
      {3, 15, host},
      {3, 200, host},
      {11, 0, "TTL expired transit"},
      {11, 1, "TTL expired reassembly"},
      {12, 0, "Parameter problem"},
      {12, 2, "Parameter problem"},
      {4, 0, "Source quench"},
  };
  for (const auto& row : rows) {
    const auto status = statusFromIcmp(row.type, row.code);
    ASSERT_TRUE(status) << int(row.type) << "/" << int(row.code);
    const char* text = echoStatusText(*status);
    EXPECT_EQ(text ? std::string(text) : "", row.text) << int(row.type) << "/" << int(row.code);
  }
  // What is not an answer to a request keeps it waiting.
  for (std::uint8_t type : {5, 8, 9, 13, 255}) {
    EXPECT_EQ(statusFromIcmp(type, 0), std::nullopt) << int(type);
  }
  EXPECT_EQ(statusFromIcmp(11, 2), std::nullopt);
}

TEST(StatusFromLocalError, AccessDeniedIsABadDestinationOnlyForBroadcasts) {
  EXPECT_EQ(statusFromLocalError(EACCES, true), status::kBadDestination);
  EXPECT_EQ(statusFromLocalError(EACCES, false), status::kGeneralFailure);  // prohibit route
}

}  // namespace
}  // namespace tarvo
