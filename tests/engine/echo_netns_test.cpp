// Real ICMP in the test network, run inside the prober namespace (tvp) by
// scripts/in-testnet.sh, with whichever socket kind TARVO_ECHO_SOCKET
// selects.
#include <gtest/gtest.h>

#include <chrono>
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

TEST_F(TestNet, TargetAnswersAfterFourHops) {
  const EchoResult r = ping(kTarget, 64);
  EXPECT_EQ(r.status, status::kSuccess);
  EXPECT_EQ(r.replyAddress, kTarget);
  EXPECT_EQ(r.replyTtl, 61);  // 64 less the three routers on the way back
  EXPECT_EQ(r.replyDataSize, 32);
}

TEST_F(TestNet, SilentHostTimesOutWithItsOwnAddress) {
  const auto start = std::chrono::steady_clock::now();
  const EchoResult r = ping(kSilent, 64, 500);
  EXPECT_EQ(r.status, status::kRequestTimedOut);
  EXPECT_EQ(r.replyAddress, kSilent);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(TestNet, UnreachableNetIsReportedAsHostUnreachable) {
  // A router rate-limits these reports per sender and may swallow the very
  // first one after a quiet spell; the test allows for that.
  EchoResult r;
  for (int attempt = 0; attempt < 3; ++attempt) {
    r = ping(kUnreachableNet, 64, 1200);
    if (r.status != status::kRequestTimedOut) break;
  }
  EXPECT_EQ(r.status, status::kDestHostUnreachable);
  EXPECT_EQ(r.replyAddress, kRouter2);
}

TEST_F(TestNet, DontFragmentDecidesWhetherABigRequestGoesOut) {
  // The links carry 1500 bytes: 2000 data bytes must be fragmented.
  EchoResult r = ping(kTarget, 64, 2000, 2000, false);
  EXPECT_EQ(r.status, status::kSuccess);
  EXPECT_EQ(r.replyDataSize, 2000);
  r = ping(kTarget, 64, 2000, 2000, true);
  EXPECT_EQ(r.status, status::kPacketTooBig);
}

TEST_F(TestNet, BroadcastDestinationsAreRefused) {
  EXPECT_EQ(ping(0xFFFFFFFF, 64, 500).status, status::kBadDestination);
  EXPECT_EQ(ping(0xC61201FF, 64, 500).status, status::kBadDestination);  // 198.18.1.255
}

TEST_F(TestNet, ShortTtlsInFlightAtOnceAreReportedByTheirOwnRouters) {
  // Traceroute-like: requests with TTL 1 to 4 in flight at once.
  std::vector<std::thread> threads;
  std::vector<EchoResult> results(4);
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      IcmpEchoService s;
      if (s.open() != EchoOpenResult::Ok) return;
      const auto payload = letters(32);
      results[i] =
          s.send(kTarget, payload,
                 makeEchoOptions(static_cast<std::uint8_t>(i + 1), 0, false, false, true), 2000);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(results[0].replyAddress, kRouter1);
  EXPECT_EQ(results[1].replyAddress, kRouter2);
  EXPECT_EQ(results[2].replyAddress, 0xC6120302u);  // router 3
  EXPECT_EQ(results[3].replyAddress, kTarget);
  EXPECT_EQ(results[3].status, status::kSuccess);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(results[i].status, status::kTtlExpiredTransit) << i;
  // The next request to the same place is answered by the target itself.
  EXPECT_EQ(ping(kTarget, 64).status, status::kSuccess);
}

TEST(TestNetNames, ReverseAndForwardLookups) {
  if (!lookupAddress(kProber)) GTEST_SKIP() << "not inside the test network's prober";
  auto e = lookupAddress(kRouter2);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->officialName, "router2.tarvo.test");
  e = lookupAddress(kProber);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->officialName, "prober.tarvo.test");
  EXPECT_FALSE(lookupAddress(kUnnamed));
  auto h = lookupHost("target.tarvo.test");
  ASSERT_TRUE(h);
  ASSERT_FALSE(h->addresses.empty());
  EXPECT_EQ(h->addresses[0], kTarget);
  EXPECT_FALSE(lookupHost("nowhere.tarvo.test"));
  EXPECT_FALSE(lookupHost("router2.tarvo.test/"));  // a slash left from a URL
}

}  // namespace
}  // namespace tarvo
