#include "trace/trace_hop_thread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "base/clock.h"
#include "engine/echo_status.h"
#include "fake_echo_service.h"
#include "trace/trace_hop_line.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeReply;
using testing::FakeSend;

constexpr Ipv4Address kDest = 0x0A000032;    // 10.0.0.50
constexpr Ipv4Address kRouter = 0x0A000001;  // 10.0.0.1

std::string sp(int n) { return std::string(n, ' '); }

FakeReply routerAnswer(std::uint32_t rttMs, std::uint32_t delayMs = 0) {
  FakeReply r = FakeEchoNetwork::failure(status::kTtlExpiredTransit, kRouter, delayMs);
  r.result.roundTripMs = rttMs;
  return r;
}

struct HopRun {
  TraceHopTable table{10};
  FakeEchoNetwork net;
  int socketsBefore = socketStartCount();

  TraceHopParams params(std::uint32_t hop) {
    TraceHopParams p;
    p.hop = hop;
    p.waitMs = 700;
    p.destination = kDest;
    table.allocateLine(hop);
    return p;
  }
};

TEST(TraceHopWorker, ProbesWithTheHopAsTtlAndPublishesTheLine) {
  HopRun run;
  std::vector<std::uint32_t> sendTimes;
  std::mutex timesMutex;
  run.net.setResponder([&](const FakeSend&) {
    std::lock_guard<std::mutex> lock(timesMutex);
    sendTimes.push_back(tickMs());
    return routerAnswer(2);
  });
  TTraceTh worker(run.params(3), run.table, run.net.factory());
  ASSERT_TRUE(worker.start());
  worker.waitFor();

  EXPECT_TRUE(worker.startedFlag());
  const auto sends = run.net.sends();
  ASSERT_EQ(sends.size(), 3u);
  for (const FakeSend& s : sends) {
    EXPECT_EQ(s.destination, kDest);
    EXPECT_EQ(s.options.ttl, 3);
    EXPECT_EQ(s.options.tos, 0);
    EXPECT_EQ(s.options.flags, 0);
    EXPECT_EQ(s.options.optionSize, 0);
    EXPECT_EQ(s.timeoutMs, 700u);
    EXPECT_EQ(std::string(s.payload.begin(), s.payload.end()), "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF");
  }
  // The probes are paced; a small margin covers the clock's truncation.
  EXPECT_GE(sendTimes[1] - sendTimes[0], 99u);
  EXPECT_GE(sendTimes[2] - sendTimes[1], 99u);

  EXPECT_EQ(run.table.code(3), hopcode::kFinished);
  EXPECT_EQ(run.table.line(3), sp(12) + "3  " + sp(12) + "2ms" + sp(12) + "2ms" + sp(12) + "2ms" +
                                   sp(6) + "10.0.0.1" + sp(6));
  EXPECT_EQ(run.net.servicesOpen(), 0);
  EXPECT_EQ(socketStartCount(), run.socketsBefore);
}

TEST(TraceHopWorker, NamesTheLastAnsweringRouterWhenAsked) {
  HopRun run;
  std::atomic<int> calls{0};
  run.net.setResponder([](const FakeSend& s) {
    // The second probe is answered by another router: the line names it.
    if (s.sendIndex == 1) return routerAnswer(5);
    FakeReply r = routerAnswer(4);
    r.result.replyAddress = 0x0A000002;
    return s.sendIndex == 2 ? FakeEchoNetwork::failure(status::kRequestTimedOut, kDest) : r;
  });
  TraceHopParams p = run.params(1);
  p.resolveNames = true;
  TTraceTh worker(p, run.table, run.net.factory(), [&](Ipv4Address a) -> std::optional<HostEntry> {
    ++calls;
    if (a != kRouter) return std::nullopt;
    return HostEntry{"gw.example", {a}};
  });
  ASSERT_TRUE(worker.start());
  worker.waitFor();
  EXPECT_EQ(calls.load(), 1);
  EXPECT_EQ(run.table.line(1), sp(12) + "1  " + sp(12) + "4ms" + sp(12) + "5ms" + kStarColumn +
                                   sp(6) + "gw.example  [10.0.0.1]" + sp(6));
}

TEST(TraceHopWorker, SetUpFailureBecomesTheHopLine) {
  for (auto [result, text] :
       {std::pair{EchoOpenResult::LibraryMissing, "    Could not load ICMP.DLL"},
        std::pair{EchoOpenResult::EntryPointMissing, "    Error getting ICMP proc address"}}) {
    HopRun run;
    run.net.setOpenResult(result);
    TTraceTh worker(run.params(10), run.table, run.net.factory());
    ASSERT_TRUE(worker.start());
    worker.waitFor();
    EXPECT_EQ(run.table.line(10), sp(10) + text);
    EXPECT_EQ(run.table.code(10), hopcode::kFinished);
    EXPECT_TRUE(run.net.sends().empty());
    EXPECT_EQ(socketStartCount(), run.socketsBefore);
  }
}

TEST(TraceHopWorker, StopEndsWithUserBreakAndReleasesEverything) {
  // Stopped before it runs: nothing is sent.
  {
    HopRun run;
    TTraceTh worker(run.params(7), run.table, run.net.factory());
    worker.requestStop();
    ASSERT_TRUE(worker.start());
    worker.waitFor();
    EXPECT_EQ(run.table.line(7), sp(12) + "    UserBreak");
    EXPECT_EQ(run.table.code(7), hopcode::kFinished);
    EXPECT_EQ(run.net.servicesCreated(), 0);
  }
  // Stopped while a probe is pending: that probe completes, no further one.
  {
    HopRun run;
    std::atomic<bool> sent{false};
    run.net.setResponder([&](const FakeSend&) {
      sent = true;
      return routerAnswer(1, 300);
    });
    TTraceTh worker(run.params(7), run.table, run.net.factory());
    ASSERT_TRUE(worker.start());
    while (!sent) sleepMs(1);
    worker.requestStop();
    worker.waitFor();
    EXPECT_EQ(run.net.sends().size(), 1u);
    EXPECT_EQ(run.table.line(7), sp(12) + "    UserBreak");
    EXPECT_EQ(run.table.code(7), hopcode::kFinished);
    EXPECT_EQ(run.net.servicesOpen(), 0);
    EXPECT_EQ(socketStartCount(), run.socketsBefore);
  }
}

}  // namespace
}  // namespace tarvo
