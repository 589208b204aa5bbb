#include "range/range_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/address.h"
#include "fake_echo_service.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeReply;
using testing::FakeSend;

constexpr Ipv4Address kDest = 0x0A000005;    // 10.0.0.5
constexpr Ipv4Address kRouter = 0xC6120202;  // 198.18.2.2

struct WorkerRun {
  std::int32_t code = 0;
  std::string line;
};

class RangeWorkerTest : public ::testing::Test {
 protected:
  RangeWorkerTest() {
    settings.count = 1;
    settings.waitMs = 700;
    settings.delayMs = 1;
    settings.options.ttl = 60;
    settings.echoFactory = net.factory();
  }

  WorkerRun run(const std::string& destination = "10.0.0.5", std::uint32_t third = 0,
                std::uint32_t fourth = 5) {
    RangeSlotTable table(1);
    TPingrange worker(table, 1, destination, third, fourth, settings);
    EXPECT_TRUE(worker.start());
    worker.waitFor();
    return {table.code(1), table.takeLine(1)};
  }

  // Answers the n-th request (0-based) of the only service.
  void script(std::vector<FakeReply> replies) {
    net.setResponder([replies](const FakeSend& s) {
      return replies[std::min<std::size_t>(s.sendIndex, replies.size() - 1)];
    });
  }

  FakeEchoNetwork net;
  RangeWorkerSettings settings;
};

TEST_F(RangeWorkerTest, ReachedHostSummarisesEveryReply) {
  settings.count = 4;
  script({FakeEchoNetwork::reply(kDest, 3, 32, 61), FakeEchoNetwork::reply(kDest, 5, 32, 62),
          FakeEchoNetwork::reply(kDest, 1, 32, 63), FakeEchoNetwork::reply(kDest, 7, 32, 57)});
  WorkerRun r = run();
  EXPECT_EQ(r.code, range_code::kReached);
  EXPECT_EQ(r.line, "      10.0.0.5  Bytes=32;  sent/recv/lost=4/4/0;  min/avg/max=1/4/7;  TTL=57");

  // What went out: letters, the range options, the wait as time-out.
  auto sends = net.sends();
  ASSERT_EQ(sends.size(), 4u);
  EXPECT_EQ(std::string(sends[0].payload.begin(), sends[0].payload.end()),
            "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF");
  EXPECT_EQ(sends[0].options.ttl, 60);
  EXPECT_EQ(sends[0].options.optionSize, 0);
  EXPECT_EQ(sends[0].timeoutMs, 700u);
  EXPECT_EQ(sends[0].destination, kDest);
  EXPECT_EQ(net.servicesOpen(), 0);
  EXPECT_EQ(socketStartCount(), 0);
}

TEST_F(RangeWorkerTest, OneReplyIsEnoughToBeReached) {
  settings.count = 3;
  script({FakeEchoNetwork::reply(kDest, 9, 32, 64), FakeEchoNetwork::failure(11010, kDest)});
  WorkerRun r = run();
  EXPECT_EQ(r.code, range_code::kReached);
  EXPECT_EQ(r.line, "      10.0.0.5  Bytes=32;  sent/recv/lost=3/1/2;  min/avg/max=9/9/9;  TTL=64");

  // The average drops the remainder: 5 ms over 3 replies is 1.
  script({FakeEchoNetwork::reply(kDest, 1), FakeEchoNetwork::reply(kDest, 2),
          FakeEchoNetwork::reply(kDest, 2)});
  EXPECT_EQ(run().line,
            "      10.0.0.5  Bytes=32;  sent/recv/lost=3/3/0;  min/avg/max=1/1/2;  TTL=64");
}

TEST_F(RangeWorkerTest, NotReachedKeepsTheLastOutcome) {
  settings.count = 2;
  script({FakeEchoNetwork::failure(11010, kDest)});
  WorkerRun silent = run();
  EXPECT_EQ(silent.code, range_code::kNotReached);
  EXPECT_EQ(silent.line, "      10.0.0.5  Request timed out");

  script({FakeEchoNetwork::failure(11010, kDest), FakeEchoNetwork::failure(11003, kRouter)});
  WorkerRun unreachable = run();
  EXPECT_EQ(unreachable.code, range_code::kNotReached);
  EXPECT_EQ(unreachable.line,
            "      10.0.0.5  Reply from 198.18.2.2: Destination host unreachable");

  script({FakeEchoNetwork::failure(11050, kDest)});
  EXPECT_EQ(run().line, "      10.0.0.5  ICMP Status = 11050");
}

TEST_F(RangeWorkerTest, AnswerFromAnotherAddressBecomesTheDestination) {
  settings.count = 2;
  const Ipv4Address other = 0x0A0000FF;
  script({FakeEchoNetwork::reply(other, 1), FakeEchoNetwork::reply(other, 1)});
  EXPECT_EQ(run().code, range_code::kReached);
  auto sends = net.sends();
  ASSERT_EQ(sends.size(), 2u);
  EXPECT_EQ(sends[0].destination, kDest);
  EXPECT_EQ(sends[1].destination, other);
}

TEST_F(RangeWorkerTest, ZeroDataBytes) {
  settings.dataSize = 0;
  WorkerRun r = run();
  EXPECT_EQ(r.code, range_code::kReached);
  EXPECT_EQ(r.line, "      10.0.0.5  Bytes=0;  sent/recv/lost=1/1/0;  min/avg/max=1/1/1;  TTL=64");
  EXPECT_TRUE(net.sends().at(0).payload.empty());
}

TEST_F(RangeWorkerTest, SkippedAddressesTakeNothing) {
  EXPECT_EQ(run("10.0.1.0", 1, 0).line, "      10.0.1.0  --- IP subnet address. Not pinged. ---");
  WorkerRun bc = run("10.0.1.255", 1, 255);
  EXPECT_EQ(bc.code, range_code::kBroadcast);
  EXPECT_EQ(bc.line, "      10.0.1.255  --- Broadcast address. Not pinged. ---");
  EXPECT_EQ(net.servicesCreated(), 0);

  // With both switches off the all-ones address cannot be converted.
  settings.skipNetwork = settings.skipBroadcast = false;
  WorkerRun ones = run("255.255.255.255", 255, 255);
  EXPECT_EQ(ones.code, range_code::kNotReached);
  EXPECT_EQ(ones.line, "      255.255.255.255  Wrong IP address format");
  EXPECT_EQ(net.servicesOpen(), 0);
  EXPECT_EQ(socketStartCount(), 0);
}

TEST_F(RangeWorkerTest, SetUpFailuresAreNotReached) {
  net.setOpenResult(EchoOpenResult::LibraryMissing);
  WorkerRun missing = run();
  EXPECT_EQ(missing.code, range_code::kNotReached);
  EXPECT_EQ(missing.line, "      10.0.0.5  Could not load ICMP.DLL");
  net.setOpenResult(EchoOpenResult::EntryPointMissing);
  EXPECT_EQ(run().line, "      10.0.0.5  Error getting ICMP proc address");
  EXPECT_TRUE(net.sends().empty());
  EXPECT_EQ(socketStartCount(), 0);
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
  const auto took = std::chrono::steady_clock::now() - stopAt;
  EXPECT_LT(took, std::chrono::milliseconds(1000));
  EXPECT_EQ(net.sends().size(), 1u);
  // Reached by the first request; the line carries that request's outcome.
  EXPECT_EQ(table.code(1), range_code::kReached);
  EXPECT_EQ(table.takeLine(1), "      10.0.0.5  ");
  EXPECT_EQ(net.servicesOpen(), 0);
}

TEST_F(RangeWorkerTest, StopBeforeTheFirstRequestIsAUserBreak) {
  RangeSlotTable table(1);
  TPingrange worker(table, 1, "10.0.0.5", 0, 5, settings);
  worker.requestStop();
  ASSERT_TRUE(worker.start());
  worker.waitFor();
  EXPECT_EQ(table.code(1), range_code::kNotReached);
  EXPECT_EQ(table.takeLine(1), "      10.0.0.5  User break");
  EXPECT_TRUE(net.sends().empty());
}

}  // namespace
}  // namespace tarvo
