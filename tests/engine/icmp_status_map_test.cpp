#include "engine/icmp_status_map.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "engine/echo_status.h"

namespace tarvo {
namespace {

// The cases a table edit could get wrong: codes nobody names fall to "host
// unreachable", and what is not an answer to a request keeps it waiting.
TEST(StatusFromIcmp, UnnamedCodesAndNonAnswers) {
  EXPECT_EQ(statusFromIcmp(3, 11), std::optional<std::uint32_t>(11002));  // net for TOS
  EXPECT_EQ(statusFromIcmp(3, 13), std::optional<std::uint32_t>(11003));  // filtered
  EXPECT_EQ(statusFromIcmp(3, 200), std::optional<std::uint32_t>(11003));
  EXPECT_EQ(statusFromIcmp(12, 2), std::optional<std::uint32_t>(11015));
  for (std::uint8_t type : {5, 8, 9, 13, 255}) {
    EXPECT_EQ(statusFromIcmp(type, 0), std::nullopt) << int(type);
  }
  EXPECT_EQ(statusFromIcmp(11, 2), std::nullopt);
}

TEST(StatusFromLocalError, AccessDeniedIsABadDestinationOnlyForBroadcasts) {
  EXPECT_EQ(statusFromLocalError(EACCES, true), status::kBadDestination);
  EXPECT_EQ(statusFromLocalError(EACCES, false), status::kGeneralFailure);  // prohibit route
  EXPECT_EQ(statusFromLocalError(EPERM, false), status::kGeneralFailure);   // packet filter
  EXPECT_EQ(statusFromLocalError(EINVAL, false), status::kGeneralFailure);  // blackhole route
}

}  // namespace
}  // namespace tarvo
