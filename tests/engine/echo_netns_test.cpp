// Real ICMP in the test network, run inside the prober namespace (tvp) by
// scripts/in-testnet.sh, with whichever socket kind TARVO_ECHO_SOCKET
// selects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/address.h"
#include "engine/echo_status.h"
#include "engine/icmp_echo_service.h"
#include "privileged.h"

namespace tarvo {
namespace {

constexpr Ipv4Address kProber = 0xC6120101;          // 198.18.1.1
constexpr Ipv4Address kRouter2 = 0xC6120202;         // 198.18.2.2
constexpr Ipv4Address kTarget = 0xC6120A0A;          // 198.18.10.10, four hops away
constexpr Ipv4Address kUnreachableNet = 0xC6121405;  // 198.18.20.5

// One request each; a reply's TTL is 64 less the three routers on the way
// back. The links carry 1500 bytes: 2000 data bytes go out only fragmented.
TEST(TestNet, EachDestinationAnswersOrReportsAsTheNetworkDoes) {
  if (!lookupAddress(kProber)) GTEST_SKIP() << "not inside the test network's prober";
  IcmpEchoService service;
  if (service.open() != EchoOpenResult::Ok) {
    TARVO_SKIP_UNPRIVILEGED("no ICMP echo socket can be opened here");
  }
  const struct {
    Ipv4Address destination;
    std::uint16_t size;
    bool df;
    std::uint32_t status;
    Ipv4Address from;  // 0: not checked
  } rows[] = {
      {kTarget, 2000, false, status::kSuccess, kTarget},
      {kTarget, 2000, true, status::kPacketTooBig, 0},
      {kUnreachableNet, 32, false, status::kDestHostUnreachable, kRouter2},
      {0xFFFFFFFF, 32, false, status::kBadDestination, 0},
  };
  for (const auto& row : rows) {
    // A router rate-limits its reports per sender and may swallow the very
    // first one after a quiet spell: an unexpected time-out is tried again.
    EchoResult r;
    const auto options = makeEchoOptions(64, 0, row.df, false, true);
    for (int attempt = 0; attempt < 3; ++attempt) {
      r = service.send(IpAddress::v4(row.destination), std::vector<std::uint8_t>(row.size, 'A'),
                       options, 1000);
      if (r.status != status::kRequestTimedOut) break;
    }
    EXPECT_EQ(r.status, row.status) << formatAddress(row.destination);
    if (row.from != 0) {
      EXPECT_EQ(r.replyAddress, IpAddress::v4(row.from)) << formatAddress(row.destination);
    }
    if (row.status == status::kSuccess) {
      EXPECT_EQ(r.replyTtl, 61) << formatAddress(row.destination);
      EXPECT_EQ(r.replyDataSize, row.size) << formatAddress(row.destination);
    }
  }
}

}  // namespace
}  // namespace tarvo
