// Real ICMP to 127.0.0.0/8 through the engine, with whichever socket kind
// TARVO_ECHO_SOCKET selects.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/address.h"
#include "engine/echo_dispatcher.h"
#include "engine/echo_status.h"
#include "engine/icmp_echo_service.h"
#include "net_support.h"
#include "privileged.h"

namespace tarvo {
namespace {

using testing::Bytes;

constexpr Ipv4Address kLoopback = 0x7F000001;

Ipv4Address loop(std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  return 0x7F000000u | static_cast<Ipv4Address>(b) << 16 | static_cast<Ipv4Address>(c) << 8 | d;
}

// The i-th of many loopback destinations under 127.<b>.
Ipv4Address spread(std::uint8_t b, int i) {
  return loop(b, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(1 + (i & 0xFF)));
}

Bytes letters(std::size_t n) {
  Bytes b(n);
  fillLetters(b);
  return b;
}

EchoOptions plain(std::uint8_t ttl = 64) { return makeEchoOptions(ttl, 0, false, false, false); }

// The identifier and sequence of a captured request.
std::pair<std::uint16_t, std::uint16_t> idSeq(const Bytes& p) {
  const std::size_t ihl = (p[0] & 0x0F) * 4u;
  return {static_cast<std::uint16_t>(p[ihl + 4] << 8 | p[ihl + 5]),
          static_cast<std::uint16_t>(p[ihl + 6] << 8 | p[ihl + 7])};
}

class EchoNet : public ::testing::Test {
 protected:
  void SetUp() override {
    if (service_.open() != EchoOpenResult::Ok) {
      TARVO_SKIP_UNPRIVILEGED("no ICMP echo socket can be opened here");
    }
  }
  IcmpEchoService service_;
};

TEST_F(EchoNet, LoopbackRepliesCarryDataSizeAndTtl) {
  for (std::size_t size : {32u, 0u, 65500u}) {
    const Bytes payload = letters(size);
    const EchoResult r = service_.send(kLoopback, payload, plain(), 2000);
    EXPECT_EQ(r.status, status::kSuccess) << size;
    EXPECT_EQ(r.replyAddress, kLoopback) << size;
    EXPECT_EQ(r.replyDataSize, size);
    EXPECT_EQ(r.replyTtl, 64) << size;
    EXPECT_LT(r.roundTripMs, 2000u);
  }
}

TEST_F(EchoNet, EveryLoopbackAddressAnswersFromItselfEvenWithTtlOne) {
  const Bytes payload = letters(32);
  for (Ipv4Address dst : {loop(0, 0, 2), loop(1, 2, 3), loop(255, 255, 254)}) {
    for (std::uint8_t ttl : {1, 64}) {
      const EchoResult r = service_.send(dst, payload, plain(ttl), 2000);
      EXPECT_EQ(r.status, status::kSuccess) << formatAddress(dst);
      EXPECT_EQ(r.replyAddress, dst) << formatAddress(dst);
    }
  }
}

TEST_F(EchoNet, RequestsThatCannotBeSentReportAStatus) {
  const Bytes payload = letters(32);
  EchoResult r = service_.send(0, payload, plain(), 500);
  EXPECT_EQ(r.status, status::kBadDestination);
  EXPECT_EQ(r.replyAddress, 0u);
  // 65530 data bytes do not fit into one IP packet.
  const Bytes huge = letters(65530);
  r = service_.send(kLoopback, huge, plain(), 500);
  EXPECT_EQ(r.status, status::kPacketTooBig);
  EXPECT_EQ(r.replyAddress, kLoopback);
  // The socket is still good afterwards.
  EXPECT_EQ(service_.send(kLoopback, payload, plain(), 2000).status, status::kSuccess);
}

TEST(EchoService, SendBeforeOpenIsAGeneralFailure) {
  IcmpEchoService s;
  const Bytes payload = letters(4);
  const EchoResult r = s.send(kLoopback, payload, plain(), 100);
  EXPECT_EQ(r.status, status::kGeneralFailure);
  EXPECT_EQ(r.replyAddress, kLoopback);
}

TEST(NetworkCheck, ReadyWithOptionsWhereASocketOpens) {
  const NetworkCheck c = runNetworkCheck();
  if (!c.networkReady) TARVO_SKIP_UNPRIVILEGED("no ICMP echo socket can be opened here");
  EXPECT_TRUE(c.message.empty());
  EXPECT_TRUE(c.ipOptionsSupported);
}

// --- what goes on the wire ---------------------------------------------------

struct WireCase {
  const char* name;
  EchoOptions options;
  std::uint8_t tos;
  bool df;
  std::vector<std::uint8_t> ipOptions;  // empty: header of 5 words
};

TEST_F(EchoNet, TtlTosDfAndOptionBytesOnTheWire) {
  testing::WireCapture capture;
  if (!capture.ok()) TARVO_SKIP_UNPRIVILEGED("a raw capture socket needs CAP_NET_RAW");
  const WireCase cases[] = {
      {"plain", makeEchoOptions(64, 0, false, false, false), 0, false, {}},
      {"df", makeEchoOptions(64, 0, true, false, false), 0, true, {}},
      {"tos", makeEchoOptions(64, 0xB8, false, false, false), 0xB8, false, {}},
      {"zero options", makeEchoOptions(64, 0, false, false, true), 0, false, {0, 0, 0, 0}},
      {"router alert",
       makeEchoOptions(64, 0x10, false, true, true),
       0x10,
       false,
       {0x94, 0x04, 0x00, 0x00}},
      {"df with options", makeEchoOptions(64, 0, true, true, true), 0, true, {0, 0, 0, 0}},
  };
  std::uint8_t last = 10;
  for (const WireCase& c : cases) {
    // A destination and TTL of its own so no other request is mistaken for it.
    const Ipv4Address dst = loop(77, 0, ++last);
    EchoOptions o = c.options;
    o.ttl = static_cast<std::uint8_t>(100 + last);
    const Bytes payload = letters(24);
    const EchoResult r = service_.send(dst, payload, o, 2000);
    EXPECT_EQ(r.status, status::kSuccess) << c.name;
    const auto packet = capture.findRequest(dst, payload, 2000);
    ASSERT_TRUE(packet) << c.name;
    const Bytes& p = *packet;
    EXPECT_EQ(p[1], c.tos) << c.name;
    EXPECT_EQ((p[6] & 0x40) != 0, c.df) << c.name;
    EXPECT_EQ(p[8], o.ttl) << c.name;
    const std::size_t ihl = (p[0] & 0x0F) * 4u;
    EXPECT_EQ(ihl, 20 + c.ipOptions.size()) << c.name;
    if (ihl == 24) {
      EXPECT_EQ(Bytes(p.begin() + 20, p.begin() + 24), c.ipOptions) << c.name;
    }
  }
}

// --- scale -------------------------------------------------------------------

TEST_F(EchoNet, TwoThousandConcurrentServicesEachGetTheirOwnReply) {
  constexpr int kServices = 2000;
  std::mutex m;
  std::condition_variable cv;
  int ready = 0;
  bool go = false;
  std::vector<EchoResult> results(kServices);
  std::vector<int> opened(kServices, -1);
  std::vector<std::thread> threads;
  threads.reserve(kServices);
  for (int i = 0; i < kServices; ++i) {
    threads.emplace_back([&, i] {
      IcmpEchoService s;
      opened[i] = static_cast<int>(s.open());
      {
        // All open before any sends, so the requests overlap.
        std::unique_lock<std::mutex> lock(m);
        ++ready;
        cv.notify_all();
        cv.wait(lock, [&] { return go; });
      }
      // A payload size of its own tells whose reply came back.
      const Bytes payload = letters(static_cast<std::size_t>(i % 97));
      results[i] = s.send(spread(20, i), payload, plain(), 10000);
      s.close();
    });
  }
  {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return ready == kServices; });
    go = true;
    cv.notify_all();
  }
  for (auto& t : threads) t.join();
  int wrong = 0;
  for (int i = 0; i < kServices; ++i) {
    const bool ok = opened[i] == 0 && results[i].status == status::kSuccess &&
                    results[i].replyAddress == spread(20, i) && results[i].replyDataSize == i % 97;
    if (!ok && ++wrong <= 5) {
      ADD_FAILURE() << "service " << i << ": status " << results[i].status << " from "
                    << formatAddress(results[i].replyAddress) << " size "
                    << results[i].replyDataSize;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(EchoDispatcher::instance().pendingRequests(), 0);
}

TEST_F(EchoNet, ServicesHoldNoDescriptors) {
  const int before = testing::openDescriptorCount();
  {
    std::vector<std::unique_ptr<IcmpEchoService>> many;
    for (int i = 0; i < 1000; ++i) {
      many.push_back(std::make_unique<IcmpEchoService>());
      ASSERT_EQ(many.back()->open(), EchoOpenResult::Ok);
    }
    EXPECT_EQ(testing::openDescriptorCount(), before);
  }
  EXPECT_EQ(testing::openDescriptorCount(), before);
}

// --- matching (private namespace: loopback told to stay silent) ---------------

class SilentLoopback : public EchoNet {
 protected:
  void SetUp() override {
    if (!testing::inPrivateNetns()) GTEST_SKIP() << "runs only with --private-netns";
    EchoNet::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(testing::writeProcFile("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1"));
  }
  void TearDown() override {
    if (testing::inPrivateNetns()) {
      testing::writeProcFile("/proc/sys/net/ipv4/icmp_echo_ignore_all", "0");
    }
  }
};

TEST_F(SilentLoopback, TimeOutNamesTheDestinationAfterTheWait) {
  const Bytes payload = letters(32);
  const auto start = std::chrono::steady_clock::now();
  const EchoResult r = service_.send(loop(0, 0, 9), payload, plain(), 300);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.status, status::kRequestTimedOut);
  EXPECT_EQ(r.replyAddress, loop(0, 0, 9));
  EXPECT_GE(waited, std::chrono::milliseconds(300));
  EXPECT_LT(waited, std::chrono::milliseconds(3000));
}

TEST_F(SilentLoopback, ALateAnswerToAnEarlierRequestIsNeverTaken) {
  testing::WireCapture capture;
  ASSERT_TRUE(capture.ok());
  const Ipv4Address dst = loop(0, 0, 9);
  const Bytes first = letters(11);
  EXPECT_EQ(service_.send(dst, first, plain(), 100).status, status::kRequestTimedOut);
  const auto firstWire = capture.findRequest(dst, first, 1000);
  ASSERT_TRUE(firstWire);

  EchoResult second;
  const Bytes secondPayload = letters(12);
  std::thread t([&] { second = service_.send(dst, secondPayload, plain(), 5000); });
  const auto secondWire = capture.findRequest(dst, secondPayload, 3000);
  ASSERT_TRUE(secondWire);
  const auto [id1, seq1] = idSeq(*firstWire);
  const auto [id2, seq2] = idSeq(*secondWire);
  EXPECT_NE(std::make_pair(id1, seq1), std::make_pair(id2, seq2));
  // The answer to the first request arrives late, then the second's own.
  ASSERT_TRUE(testing::forgeEchoReply(dst, id1, seq1, 3));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(testing::forgeEchoReply(dst, id2, seq2, 7));
  t.join();
  EXPECT_EQ(second.status, status::kSuccess);
  EXPECT_EQ(second.replyDataSize, 7);
  EXPECT_GE(second.roundTripMs, 100u);
}

TEST_F(SilentLoopback, AReplyFromAnotherAddressStillAnswers) {
  // As a broadcast or a host answering for another would.
  testing::WireCapture capture;
  ASSERT_TRUE(capture.ok());
  EchoResult r;
  const Bytes payload = letters(13);
  std::thread t([&] { r = service_.send(loop(0, 0, 9), payload, plain(), 5000); });
  const auto wire = capture.findRequest(loop(0, 0, 9), payload, 3000);
  ASSERT_TRUE(wire);
  const auto [id, seq] = idSeq(*wire);
  ASSERT_TRUE(testing::forgeEchoReply(loop(0, 0, 10), id, seq, 13));
  t.join();
  EXPECT_EQ(r.status, status::kSuccess);
  EXPECT_EQ(r.replyAddress, loop(0, 0, 10));
}

TEST_F(SilentLoopback, ErrorsCountOnlyWhenTheyQuoteOurRequestToOurDestination) {
  testing::WireCapture capture;
  ASSERT_TRUE(capture.ok());
  const Ipv4Address dst = loop(0, 0, 9);
  const Ipv4Address router = loop(0, 0, 10);
  EchoResult r;
  const Bytes payload = letters(14);
  std::thread t([&] { r = service_.send(dst, payload, plain(), 5000); });
  const auto wire = capture.findRequest(dst, payload, 3000);
  ASSERT_TRUE(wire);
  const std::size_t ihl = ((*wire)[0] & 0x0F) * 4u;
  const Bytes quote(wire->begin(), wire->begin() + static_cast<long>(ihl + 8));
  // A redirect is no answer; a "host unreachable" for the same request to
  // another destination is none either; then the real report.
  ASSERT_TRUE(testing::forgeIcmp(router, 5, 1, quote));
  Bytes elsewhere = quote;
  elsewhere[19] ^= 0x01;
  ASSERT_TRUE(testing::forgeIcmp(router, 3, 1, elsewhere));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(testing::forgeIcmp(router, 11, 0, quote));
  t.join();
  EXPECT_EQ(r.status, status::kTtlExpiredTransit);
  EXPECT_EQ(r.replyAddress, router);
}

TEST_F(EchoNet, SequencesRunOutOnlyAfterAWholeCycleAndThenAnotherSocketTakesOver) {
  // 70,000 requests within a minute: a datagram socket's 65,536 sequences do
  // not come round again that soon, so the dispatcher adds a socket.
  constexpr int kThreads = 8;
  constexpr int kEach = 70000 / kThreads;
  const int socketsBefore = EchoDispatcher::instance().openSockets();
  std::atomic<int> answered{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      IcmpEchoService s;
      if (s.open() != EchoOpenResult::Ok) return;
      const Bytes payload = letters(8);
      for (int k = 0; k < kEach; ++k) {
        const EchoResult r =
            s.send(loop(40, 0, static_cast<std::uint8_t>(i + 1)), payload, plain(), 5000);
        answered += r.status == status::kSuccess;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(answered.load(), kThreads * kEach);
  if (EchoDispatcher::instance().kind() == EchoSocketKind::Datagram) {
    EXPECT_GT(EchoDispatcher::instance().openSockets(), socketsBefore);
  }
}

}  // namespace
}  // namespace tarvo
