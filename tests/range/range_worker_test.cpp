#include "range/range_worker.h"

#include <gtest/gtest.h>

#include "fake_echo_service.h"
#include "manual_clock.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeReply;

constexpr Ipv4Address kDest = 0x0A000005;  // 10.0.0.5

FakeReply reply(std::uint32_t rttMs, std::uint8_t ttl = 64, Ipv4Address from = kDest) {
  return FakeEchoNetwork::reply(from, rttMs, 32, ttl);
}

// A pretend clock that, when told to, asks the worker to stop while it
// rests before its next request.
struct PacingClock : testing::ManualClock {
  TPingrange* worker = nullptr;
  bool stopInRest = false;
  void sleepFor(Duration duration) override {
    if (stopInRest) worker->requestStop();
    ManualClock::sleepFor(duration);
  }
};

class RangeWorkerTest : public ::testing::Test {
 protected:
  RangeWorkerTest() {
    settings.waitMs = 700;
    settings.delayMs = 1000;
    settings.options.ttl = 60;
    settings.echoFactory = net.factory();
    loop.start();
    settings.loop = &loop;
  }

  // Runs one worker to its end, the n-th answer of its service being
  // replies[n] (the last one repeats); the slot's line, checked against its code.
  // `octet` stands for both the third and the fourth octet of `dest`.
  std::string run(std::int32_t code, std::vector<FakeReply> replies,
                  const std::string& dest = "10.0.0.5", std::uint32_t octet = 5) {
    net.setResponder([replies](const testing::FakeSend& s) {
      return replies[std::min<std::size_t>(s.sendIndex, replies.size() - 1)];
    });
    RangeSlotTable table(1);
    TPingrange worker(table, 1, dest, octet, octet, settings);
    clock.worker = &worker;
    worker.setClock(clock);
    EXPECT_TRUE(worker.start());
    worker.waitFor();
    EXPECT_EQ(table.code(1), code) << dest;
    EXPECT_EQ(net.servicesOpen(), 0);
    return table.takeLine(1);
  }

  FakeEchoNetwork net;
  RangeWorkerSettings settings;
  PacingClock clock;
  EventLoop loop{clock};
};

TEST_F(RangeWorkerTest, OneLinePerAddressFromItsRequests) {
  const struct {
    std::uint32_t count;
    std::vector<FakeReply> replies;
    const char* line;  // reached when it starts with the figures
  } rows[] = {
      // An answer from another address makes it the destination.
      {2,
       {reply(1, 64, 0x0A0000FF)},
       "Bytes=32;  sent/recv/lost=2/2/0;  min/avg/max=1/1/1;  TTL=64"},
      {4,
       {reply(3, 61), reply(5, 62), reply(1, 63), reply(7, 57)},
       "Bytes=32;  sent/recv/lost=4/4/0;  min/avg/max=1/4/7;  TTL=57"},
      // One reply is enough; the figures are those of the replies alone.
      {3,
       {reply(9), FakeEchoNetwork::failure(11010, kDest)},
       "Bytes=32;  sent/recv/lost=3/1/2;  min/avg/max=9/9/9;  TTL=64"},
      // Not reached: the last outcome.
      {2,
       {FakeEchoNetwork::failure(11010, kDest), FakeEchoNetwork::failure(11050, kDest)},
       "ICMP Status = 11050"},
  };
  for (const auto& row : rows) {
    settings.count = row.count;
    const bool reached = std::string(row.line).rfind("Bytes", 0) == 0;
    EXPECT_EQ(run(reached ? range_code::kReached : range_code::kNotReached, row.replies),
              std::string("      10.0.0.5  ") + row.line);
  }
  const auto sends = net.sends();
  ASSERT_EQ(sends.size(), 11u);
  EXPECT_EQ(std::tuple(sends[0].destination, sends[1].destination, sends[0].options.ttl,
                       sends[0].options.optionSize, sends[0].timeoutMs, sends[0].payload.size()),
            std::tuple(kDest, 0x0A0000FFu, 60, 0, 700u, 32u));
  // Requests one delay apart, by the worker's clock.
  EXPECT_EQ(clock.elapsedMs(), (1 + 3 + 2 + 1) * 1000);
}

TEST_F(RangeWorkerTest, FailedAddressesSendNothing) {
  // With both switches off the all-ones address cannot be converted.
  settings.skipNetwork = settings.skipBroadcast = false;
  EXPECT_EQ(run(range_code::kNotReached, {reply(1)}, "255.255.255.255", 255),
            "      255.255.255.255  Wrong IP address format");
  net.setOpenResult(EchoOpenResult::LibraryMissing);
  EXPECT_EQ(run(range_code::kNotReached, {reply(1)}), "      10.0.0.5  Could not load ICMP.DLL");
  EXPECT_TRUE(net.sends().empty());
}

// A stop during the rest ends the worker: no second request goes out, and
// the address, reached by the first, carries that request's outcome.
TEST_F(RangeWorkerTest, AStopDuringTheRestEndsTheWorkerEarly) {
  settings.count = 2;
  clock.stopInRest = true;
  EXPECT_EQ(run(range_code::kReached, {reply(1)}), "      10.0.0.5  ");
  EXPECT_EQ(net.sends().size(), 1u);
}

}  // namespace
}  // namespace tarvo
