#include "range/range_worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/address.h"
#include "fake_echo_service.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeReply;

constexpr Ipv4Address kDest = 0x0A000005;    // 10.0.0.5
constexpr Ipv4Address kRouter = 0xC6120202;  // 198.18.2.2

class RangeWorkerTest : public ::testing::Test {
 protected:
  RangeWorkerTest() {
    settings.waitMs = 700;
    settings.delayMs = 1;
    settings.options.ttl = 60;
    settings.echoFactory = net.factory();
  }

  // Runs one worker to its end; the slot's line, checked against its code.
  std::string run(std::int32_t code, const std::string& dest = "10.0.0.5", std::uint32_t third = 0,
                  std::uint32_t fourth = 5) {
    RangeSlotTable table(1);
    TPingrange worker(table, 1, dest, third, fourth, settings);
    EXPECT_TRUE(worker.start());
    worker.waitFor();
    EXPECT_EQ(table.code(1), code) << dest;
    EXPECT_EQ(net.servicesOpen(), 0);
    return table.takeLine(1);
  }

  // The n-th answer (0-based) of the worker's service; the last one repeats.
  void script(std::vector<FakeReply> replies) {
    net.setResponder([replies](const testing::FakeSend& s) {
      return replies[std::min<std::size_t>(s.sendIndex, replies.size() - 1)];
    });
  }

  FakeEchoNetwork net;
  RangeWorkerSettings settings;
};

TEST_F(RangeWorkerTest, ReachedHostSummarisesItsReplies) {
  settings.count = 4;
  script({FakeEchoNetwork::reply(kDest, 3, 32, 61), FakeEchoNetwork::reply(kDest, 5, 32, 62),
          FakeEchoNetwork::reply(kDest, 1, 32, 63), FakeEchoNetwork::reply(kDest, 7, 32, 57)});
  EXPECT_EQ(run(range_code::kReached),
            "      10.0.0.5  Bytes=32;  sent/recv/lost=4/4/0;  min/avg/max=1/4/7;  TTL=57");
  auto sends = net.sends();
  ASSERT_EQ(sends.size(), 4u);
  EXPECT_EQ(std::string(sends[0].payload.begin(), sends[0].payload.end()),
            "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF");
  EXPECT_EQ(sends[0].options.ttl, 60);
  EXPECT_EQ(sends[0].options.optionSize, 0);
  EXPECT_EQ(sends[0].timeoutMs, 700u);

  // One reply is enough; the figures are those of the replies alone.
  settings.count = 3;
  script({FakeEchoNetwork::reply(kDest, 9, 32, 64), FakeEchoNetwork::failure(11010, kDest)});
  EXPECT_EQ(run(range_code::kReached),
            "      10.0.0.5  Bytes=32;  sent/recv/lost=3/1/2;  min/avg/max=9/9/9;  TTL=64");

  settings.count = 1;
  settings.dataSize = 0;
  script({FakeEchoNetwork::reply(kDest, 1, 0)});
  EXPECT_EQ(run(range_code::kReached),
            "      10.0.0.5  Bytes=0;  sent/recv/lost=1/1/0;  min/avg/max=1/1/1;  TTL=64");
  EXPECT_TRUE(net.sends().back().payload.empty());
}

TEST_F(RangeWorkerTest, AnswerFromAnotherAddressBecomesTheDestination) {
  settings.count = 2;
  script({FakeEchoNetwork::reply(0x0A0000FF, 1)});
  run(range_code::kReached);
  auto sends = net.sends();
  ASSERT_EQ(sends.size(), 2u);
  EXPECT_EQ(sends[0].destination, kDest);
  EXPECT_EQ(sends[1].destination, 0x0A0000FFu);
}

TEST_F(RangeWorkerTest, NotReachedKeepsTheLastOutcome) {
  settings.count = 2;
  script({FakeEchoNetwork::failure(11010, kDest)});
  EXPECT_EQ(run(range_code::kNotReached), "      10.0.0.5  Request timed out");
  script({FakeEchoNetwork::failure(11010, kDest), FakeEchoNetwork::failure(11003, kRouter)});
  EXPECT_EQ(run(range_code::kNotReached),
            "      10.0.0.5  Reply from 198.18.2.2: Destination host unreachable");
  script({FakeEchoNetwork::failure(11050, kDest)});
  EXPECT_EQ(run(range_code::kNotReached), "      10.0.0.5  ICMP Status = 11050");

  net.setOpenResult(EchoOpenResult::LibraryMissing);
  EXPECT_EQ(run(range_code::kNotReached), "      10.0.0.5  Could not load ICMP.DLL");
  EXPECT_EQ(net.sends().size(), 6u);  // none from the failed set-up
}

TEST_F(RangeWorkerTest, SkippedAddressesTakeNothing) {
  EXPECT_EQ(run(range_code::kNetwork, "10.0.1.0", 1, 0),
            "      10.0.1.0  --- IP subnet address. Not pinged. ---");
  EXPECT_EQ(run(range_code::kBroadcast, "10.0.1.255", 1, 255),
            "      10.0.1.255  --- Broadcast address. Not pinged. ---");
  EXPECT_EQ(net.servicesCreated(), 0);
  // With both switches off the all-ones address cannot be converted.
  settings.skipNetwork = settings.skipBroadcast = false;
  EXPECT_EQ(run(range_code::kNotReached, "255.255.255.255", 255, 255),
            "      255.255.255.255  Wrong IP address format");
}

TEST_F(RangeWorkerTest, StopInsideAPacingSliceEndsTheWorkerEarly) {
  settings.count = 2;
  settings.delayMs = 1200;  // 200 ms, then two slices of 500 ms
  RangeSlotTable table(1);
  TPingrange worker(table, 1, "10.0.0.5", 0, 5, settings);
  ASSERT_TRUE(worker.start());
  while (net.sends().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const auto stopAt = std::chrono::steady_clock::now();
  worker.requestStop();
  worker.waitFor();
  EXPECT_LT(std::chrono::steady_clock::now() - stopAt, std::chrono::milliseconds(1000));
  EXPECT_EQ(net.sends().size(), 1u);
  // Reached by the first request; the line carries that request's outcome.
  EXPECT_EQ(table.code(1), range_code::kReached);
  EXPECT_EQ(table.takeLine(1), "      10.0.0.5  ");
  EXPECT_EQ(net.servicesOpen(), 0);
}

}  // namespace
}  // namespace tarvo
