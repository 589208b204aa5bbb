// Real ICMP in the test network, run inside the prober namespace (tvp) by
// scripts/in-testnet.sh, with whichever socket kind TARVO_ECHO_SOCKET
// selects.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/address.h"
#include "engine/echo_status.h"
#include "engine/icmp_echo_service.h"
#include "privileged.h"

namespace tarvo {
namespace {

constexpr Ipv4Address kProber = 0xC6120101;          // 198.18.1.1
constexpr Ipv4Address kRouter1 = 0xC6120102;         // 198.18.1.2
constexpr Ipv4Address kRouter2 = 0xC6120202;         // 198.18.2.2
constexpr Ipv4Address kTarget = 0xC6120A0A;          // 198.18.10.10, four hops away
constexpr Ipv4Address kSilent = 0xC6120A14;          // 198.18.10.20, ignores echo requests
constexpr Ipv4Address kUnreachableNet = 0xC6121405;  // 198.18.20.5
constexpr Ipv4Address kUnnamed = 0xC6120A63;         // 198.18.10.99

std::vector<std::uint8_t> letters(std::size_t n) {
  std::vector<std::uint8_t> b(n);
  fillLetters(b);
  return b;
}

class TestNet : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!lookupAddress(kProber)) GTEST_SKIP() << "not inside the test network's prober";
    if (service_.open() != EchoOpenResult::Ok) {
      TARVO_SKIP_UNPRIVILEGED("no ICMP echo socket can be opened here");
    }
  }
  EchoResult ping(Ipv4Address dst, std::uint8_t ttl, std::uint32_t timeoutMs = 2000,
                  std::size_t size = 32, bool df = false) {
    const auto payload = letters(size);
    return service_.send(dst, payload, makeEchoOptions(ttl, 0, df, false, true), timeoutMs);
  }
  IcmpEchoService service_;
};

// One request each; a reply's TTL is 64 less the three routers on the way
// back. The links carry 1500 bytes: 2000 data bytes go out only fragmented.
TEST_F(TestNet, EachDestinationAnswersOrReportsAsTheNetworkDoes) {
  const struct {
    Ipv4Address destination;
    std::uint16_t size;
    bool df;
    std::uint32_t status;
    Ipv4Address from;  // 0: not checked
  } rows[] = {
      {kTarget, 32, false, status::kSuccess, kTarget},
      {kTarget, 2000, false, status::kSuccess, kTarget},
      {kTarget, 2000, true, status::kPacketTooBig, 0},
      {kSilent, 32, false, status::kRequestTimedOut, kSilent},
      {kUnreachableNet, 32, false, status::kDestHostUnreachable, kRouter2},
      {0xFFFFFFFF, 32, false, status::kBadDestination, 0},
      {0xC61201FF, 32, false, status::kBadDestination, 0},  // 198.18.1.255
  };
  for (const auto& row : rows) {
    // A router rate-limits its reports per sender and may swallow the very
    // first one after a quiet spell: an unexpected time-out is tried again.
    EchoResult r;
    for (int attempt = 0; attempt < 3 && (attempt == 0 || r.status != row.status); ++attempt) {
      const auto start = std::chrono::steady_clock::now();
      r = ping(row.destination, 64, 1000, row.size, row.df);
      if (r.status != status::kRequestTimedOut) break;
      EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    }
    const std::string what = formatAddress(row.destination) + " size " + std::to_string(row.size);
    EXPECT_EQ(r.status, row.status) << what;
    if (row.from != 0) {
      EXPECT_EQ(r.replyAddress, row.from) << what;
    }
    if (row.status == status::kSuccess) {
      EXPECT_EQ(r.replyTtl, 61) << what;
      EXPECT_EQ(r.replyDataSize, row.size) << what;
    }
  }
}

TEST_F(TestNet, ShortTtlsInFlightAtOnceAreReportedByTheirOwnRouters) {
  // Traceroute-like: requests with TTL 1 to 4 in flight at once.
  std::vector<EchoResult> results(4);
  {
    std::vector<std::jthread> threads;
    for (int i = 0; i < 4; ++i) {
      threads.emplace_back([&, i] {
        IcmpEchoService s;
        const auto ttl = static_cast<std::uint8_t>(i + 1);
        if (s.open() == EchoOpenResult::Ok)
          results[i] =
              s.send(kTarget, letters(32), makeEchoOptions(ttl, 0, false, false, true), 2000);
      });
    }
  }
  const Ipv4Address by[] = {kRouter1, kRouter2, 0xC6120302, kTarget};  // router 3 third
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(std::pair(results[i].status, results[i].replyAddress),
              std::pair(i < 3 ? status::kTtlExpiredTransit : status::kSuccess, by[i]))
        << "TTL " << i + 1;
  }
  // The next request to the same place is answered by the target itself.
  EXPECT_EQ(ping(kTarget, 64).status, status::kSuccess);
}

TEST(TestNetNames, ReverseAndForwardLookups) {
  if (!lookupAddress(kProber)) GTEST_SKIP() << "not inside the test network's prober";
  for (const auto& [address, name] :
       {std::pair(kRouter2, "router2.tarvo.test"), std::pair(kProber, "prober.tarvo.test")}) {
    const auto e = lookupAddress(address);
    EXPECT_EQ(e ? e->officialName : "", name);
  }
  EXPECT_FALSE(lookupAddress(kUnnamed));
  const auto h = lookupHost("target.tarvo.test");
  EXPECT_EQ(h && !h->addresses.empty() ? h->addresses[0] : 0, kTarget);
  EXPECT_FALSE(lookupHost("nowhere.tarvo.test"));
  EXPECT_FALSE(lookupHost("router2.tarvo.test/"));  // a slash left from a URL
}

}  // namespace
}  // namespace tarvo
