// The echo service with IPv6 destinations, to ::1, through whichever socket
// kind TARVO_ECHO_SOCKET selects.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/one_shot.h"
#include "engine/echo6_dispatcher.h"
#include "engine/echo_status.h"
#include "engine/icmp_echo_service.h"

namespace tarvo {
namespace {

IpAddress v6(const char* text) { return *parseIpv6Literal(text); }

std::vector<std::uint8_t> letters(std::size_t n) {
  std::vector<std::uint8_t> p(n);
  fillLetters(p);
  return p;
}

class Echo6Service : public ::testing::Test {
 protected:
  void SetUp() override {
    if (service_.open() != EchoOpenResult::Ok) GTEST_SKIP() << "no echo socket here";
    const EchoResult probe = service_.send(v6("::1"), letters(1), EchoOptions{}, 2000);
    if (probe.status == status::kGeneralFailure) GTEST_SKIP() << "no ICMPv6 socket here";
  }
  IcmpEchoService service_;
};

// Loopback answers with its own address and hop limit 64, whatever the
// hop limit, traffic class or fragmenting setting; addresses that are no
// single host, or whose zone names no interface, are refused without
// sending; IPv4 goes on beside it.
TEST_F(Echo6Service, LoopbackAnswersAndNoHostIsRefused) {
  const struct {
    const char* to;
    std::size_t size;
    EchoOptions options;
    std::uint32_t status;
  } rows[] = {
      {"::1", 32, makeEchoOptions(64, 0, false, false, true), status::kSuccess},
      {"[::1]", 0, makeEchoOptions(1, 0x20, true, true, true), status::kSuccess},
      {"::1", 9000, makeEchoOptions(128, 0, false, false, false), status::kSuccess},
      {"::1", 70000 - 8, makeEchoOptions(128, 0, false, false, false), status::kPacketTooBig},
      {"::", 32, EchoOptions{}, status::kBadDestination},
      {"ff02::1", 32, EchoOptions{}, status::kBadDestination},
      {"fe80::1%no-such-if", 32, EchoOptions{}, status::kHardwareError},
  };
  for (const auto& row : rows) {
    const EchoResult r = service_.send(v6(row.to), letters(row.size), row.options, 2000);
    EXPECT_EQ(r.status, row.status) << row.to << " " << row.size;
    EXPECT_EQ(r.replyAddress, v6(row.to)) << row.to;
    if (row.status == status::kSuccess) {
      EXPECT_EQ(r.replyTtl, 64) << row.size;
      EXPECT_EQ(r.replyDataSize, row.size);
    }
  }
  const EchoResult r4 = service_.send(IpAddress::v4(0x7F000001), letters(4), EchoOptions{}, 2000);
  EXPECT_EQ(std::pair(r4.status, r4.replyAddress.toString()),
            std::pair(status::kSuccess, std::string("127.0.0.1")));
}

// Many services share the sockets; each gets the answers to its own
// requests and none is lost or swapped. More requests than a ping socket
// has sequence numbers: as their numbers may not come round within a
// minute, another ping socket is opened.
TEST_F(Echo6Service, ManyServicesAtOnceEachGetTheirOwnReplies) {
  constexpr int kServices = 40, kEach = 1700;
  std::atomic<int> wrong{0};
  {
    std::vector<std::jthread> threads;
    for (int i = 0; i < kServices; ++i) {
      threads.emplace_back([&, i] {
        IcmpEchoService s;
        if (s.open() != EchoOpenResult::Ok) return void(++wrong);
        const auto payload = letters(static_cast<std::size_t>(i % 53));
        for (int k = 0; k < kEach; ++k) {
          const EchoResult r = s.send(v6("::1"), payload, EchoOptions{}, 10000);
          wrong += r.status != status::kSuccess || r.replyDataSize != payload.size();
        }
      });
    }
  }
  EXPECT_EQ(wrong, 0);
  const bool ping = Echo6Dispatcher::instance().kind() == EchoSocketKind::Datagram;
  EXPECT_EQ(Echo6Dispatcher::instance().openSockets() > 1, ping);
}

// Requests that do not wait: a thousand out at once from one thread, each
// answered once with its own payload size (a refused address at once).
TEST_F(Echo6Service, RequestsThatDoNotWaitAreEachAnsweredOnce) {
  struct Answer : EchoCompletion {
    std::atomic<int>* left = nullptr;
    OneShot* allDone = nullptr;
    EchoResult result;
    std::atomic<int> calls{0};
    void echoDone(const EchoResult& r) override {
      result = r;
      ++calls;
      if (left->fetch_sub(1) == 1) allDone->post();
    }
  };
  constexpr int kRequests = 1000;
  std::atomic<int> left{kRequests + 1};
  OneShot allDone;
  std::vector<Answer> answers(kRequests + 1);
  std::vector<std::vector<std::uint8_t>> payloads;
  for (int i = 0; i <= kRequests; ++i)
    payloads.push_back(letters(static_cast<std::size_t>(i % 61)));
  for (int i = 0; i <= kRequests; ++i) {
    answers[i].left = &left;
    answers[i].allDone = &allDone;
    service_.sendAsync(i < kRequests ? v6("::1") : v6("ff02::1"), payloads[i], EchoOptions{}, 10000,
                       answers[i]);
  }
  allDone.wait();
  int wrong = 0;
  for (int i = 0; i < kRequests; ++i) {
    wrong += answers[i].calls != 1 || answers[i].result.status != status::kSuccess ||
             answers[i].result.replyDataSize != payloads[i].size() ||
             answers[i].result.replyAddress != v6("::1");
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(answers[kRequests].result.status, status::kBadDestination);
}

}  // namespace
}  // namespace tarvo
