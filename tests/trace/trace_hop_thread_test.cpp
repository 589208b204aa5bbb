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

constexpr Ipv4Address kDest = 0x0A000032;  // 10.0.0.50
std::string sp(int n) { return std::string(n, ' '); }

// Runs one hop worker against the fake network; stopAfterFirstSend asks it
// to stop while its first probe is pending.
struct HopRun {
  TraceHopTable table{10};
  FakeEchoNetwork net;

  void run(std::uint32_t hop, bool stopAfterFirstSend = false,
           TTraceTh::ReverseLookup lookup = nullptr) {
    TraceHopParams p;
    p.hop = hop;
    p.waitMs = 700;
    p.destination = kDest;
    p.resolveNames = lookup != nullptr;
    table.allocateLine(hop);
    TTraceTh worker(p, table, net.factory(), lookup);
    ASSERT_TRUE(worker.start());
    while (stopAfterFirstSend && net.sends().empty()) sleepMs(1);
    if (stopAfterFirstSend) worker.requestStop();
    worker.waitFor();
    EXPECT_EQ(net.servicesOpen(), 0);
  }
};

TEST(TraceHopWorker, SendsThreePacedProbesAndNamesTheLastRouter) {
  HopRun run;
  std::vector<std::uint32_t> sendTimes;  // only the worker's thread appends
  run.net.setResponder([&](const FakeSend& s) {
    sendTimes.push_back(tickMs());
    FakeReply r = FakeEchoNetwork::failure(status::kTtlExpiredTransit, 0x0A000001 + s.sendIndex);
    r.result.roundTripMs = 2;
    return r;
  });
  std::vector<Ipv4Address> looked;
  run.run(3, false, [&](Ipv4Address a) -> std::optional<HostEntry> {
    looked.push_back(a);
    return HostEntry{"gw3.example", {a}};
  });
  const auto sends = run.net.sends();
  ASSERT_EQ(sends.size(), 3u);
  for (const FakeSend& s : sends) {
    EXPECT_EQ(s.destination, kDest);
    EXPECT_EQ(s.options, (EchoOptions{3}));  // tos, flags 0; no IP options
    EXPECT_EQ(s.timeoutMs, 700u);
    EXPECT_EQ(std::string(s.payload.begin(), s.payload.end()), "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF");
  }
  EXPECT_GE(sendTimes[1] - sendTimes[0], 99u);  // the clock truncates to whole ms
  EXPECT_GE(sendTimes[2] - sendTimes[1], 99u);
  EXPECT_EQ(looked, std::vector<Ipv4Address>{0x0A000003});
  const std::string col = sp(12) + "2ms";
  EXPECT_EQ(run.table.line(3),
            sp(12) + "3  " + col + col + col + sp(6) + "gw3.example  [10.0.0.3]" + sp(6));
  EXPECT_EQ(run.table.code(3), hopcode::kFinished);
}

TEST(TraceHopWorker, SetUpFailureIsTheHopLine) {
  HopRun run;
  run.net.setOpenResult(EchoOpenResult::EntryPointMissing);
  run.run(10);
  EXPECT_EQ(run.table.line(10), sp(10) + "    Error getting ICMP proc address");
  EXPECT_EQ(run.table.code(10), hopcode::kFinished);
  EXPECT_TRUE(run.net.sends().empty());
}

TEST(TraceHopWorker, StopLetsThePendingProbeEndThenBreaks) {
  HopRun run;
  run.net.setResponder([](const FakeSend&) {
    return FakeEchoNetwork::failure(status::kRequestTimedOut, kDest, 300);
  });
  run.run(7, true);
  EXPECT_EQ(run.net.sends().size(), 1u);
  EXPECT_EQ(run.table.line(7), sp(12) + "    UserBreak");
  EXPECT_EQ(run.table.code(7), hopcode::kFinished);
}

}  // namespace
}  // namespace tarvo
