#include "engine/icmp_status_map.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "engine/echo_status.h"

namespace tarvo {
namespace {

TEST(StatusFromIcmp, DestinationUnreachableCodes) {
  struct Row {
    std::uint8_t code;
    std::uint32_t status;
  };
  const Row rows[] = {
      {0, 11002},  {6, 11002},  {9, 11002},  {11, 11002},                // net
      {1, 11003},  {7, 11003},  {8, 11003},  {10, 11003},  {12, 11003},  // host
      {13, 11003}, {14, 11003}, {15, 11003}, {200, 11003},               // filtered, unknown
      {2, 11004},  {3, 11005},  {4, 11009},  {5, 11012},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(statusFromIcmp(3, r.code), std::optional<std::uint32_t>(r.status))
        << "code " << int(r.code);
  }
}

TEST(StatusFromIcmp, OtherErrorTypes) {
  EXPECT_EQ(statusFromIcmp(0, 0), std::optional<std::uint32_t>(0));
  EXPECT_EQ(statusFromIcmp(11, 0), std::optional<std::uint32_t>(11013));
  EXPECT_EQ(statusFromIcmp(11, 1), std::optional<std::uint32_t>(11014));
  EXPECT_EQ(statusFromIcmp(12, 0), std::optional<std::uint32_t>(11015));
  EXPECT_EQ(statusFromIcmp(12, 2), std::optional<std::uint32_t>(11015));
  EXPECT_EQ(statusFromIcmp(4, 0), std::optional<std::uint32_t>(11016));
}

TEST(StatusFromIcmp, RedirectsAndOtherTypesAreNoAnswer) {
  for (std::uint8_t type : {5, 8, 9, 10, 13, 14, 17, 18, 255}) {
    EXPECT_EQ(statusFromIcmp(type, 0), std::nullopt) << int(type);
  }
  EXPECT_EQ(statusFromIcmp(11, 2), std::nullopt);
}

TEST(StatusFromLocalError, ErrnoTable) {
  EXPECT_EQ(statusFromLocalError(ENETUNREACH, false), status::kDestNetUnreachable);
  EXPECT_EQ(statusFromLocalError(EHOSTUNREACH, false), status::kDestHostUnreachable);
  EXPECT_EQ(statusFromLocalError(EMSGSIZE, false), status::kPacketTooBig);
  EXPECT_EQ(statusFromLocalError(ENOBUFS, false), status::kNoResources);
  EXPECT_EQ(statusFromLocalError(ENOMEM, false), status::kNoResources);
  EXPECT_EQ(statusFromLocalError(EAGAIN, false), status::kNoResources);
  EXPECT_EQ(statusFromLocalError(ENETDOWN, false), status::kHardwareError);
  EXPECT_EQ(statusFromLocalError(ENODEV, false), status::kHardwareError);
}

TEST(StatusFromLocalError, AccessDeniedIsABadDestinationOnlyForBroadcasts) {
  EXPECT_EQ(statusFromLocalError(EACCES, true), status::kBadDestination);
  EXPECT_EQ(statusFromLocalError(EACCES, false), status::kGeneralFailure);  // prohibit route
  EXPECT_EQ(statusFromLocalError(EPERM, false), status::kGeneralFailure);   // packet filter
  EXPECT_EQ(statusFromLocalError(EINVAL, false), status::kGeneralFailure);  // blackhole route
}

}  // namespace
}  // namespace tarvo
