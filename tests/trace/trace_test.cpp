#include <gtest/gtest.h>

#include "engine/echo_status.h"
#include "fake_echo_service.h"
#include "manual_clock.h"
#include "recording_view.h"
#include "trace/trace_controller.h"
#include "trace/trace_hop_line.h"
#include "wait_until.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeReply;
using testing::FakeSend;

constexpr Ipv4Address kDest = 0x0A000032;  // 10.0.0.50, target.example
std::string sp(int n) { return std::string(n, ' '); }
const std::string kStars = std::string(kStarColumn) + kStarColumn + kStarColumn;
const std::string kTimedOut = sp(6) + "Request timed out";

// Hop `hop` (1 to 9): three probes, each answered in 1 ms by `from`.
std::string hopLine(std::uint32_t hop, const std::string& from) {
  const std::string col = sp(12) + "1ms";
  return sp(12) + std::to_string(hop) + "  " + col + col + col + sp(6) + from + sp(6);
}
std::string routerLine(std::uint32_t hop) { return hopLine(hop, "10.0.1." + std::to_string(hop)); }

// Routers 10.0.1.<hop> answer up to hop `routers`, the destination from
// hop destHop on (never: 0); the other probes time out. Hop slowHop
// answers slowMs late.
FakeEchoNetwork::Responder path(std::uint32_t routers, std::uint32_t destHop,
                                std::uint32_t slowHop = 0, std::uint32_t slowMs = 0) {
  return [=](const FakeSend& s) {
    FakeReply r = FakeEchoNetwork::failure(status::kRequestTimedOut, kDest, 30);
    if (s.options.ttl <= routers) {
      r = FakeEchoNetwork::failure(status::kTtlExpiredTransit, 0x0A000100 + s.options.ttl);
      r.result.roundTripMs = 1;
    } else if (destHop != 0 && s.options.ttl >= destHop) {
      r = FakeEchoNetwork::reply(kDest, 1);
    }
    if (s.options.ttl == slowHop) r.delayMs = slowMs;
    return r;
  };
}

// A trace's lines: blank, header, start time, the hops, end time, duration,
// end line; the times are cut off after their labels.
std::vector<std::string> frame(const std::string& to, std::vector<std::string> hops) {
  hops.insert(hops.begin(), {" ", "  · Traceroute to " + to, "        Start time:"});
  hops.insert(hops.end(),
              {"        End time:", "          Traceroute lasted [hh:mm:ss]", kEndOfTraceLine});
  return hops;
}

class TraceTest : public ::testing::Test {
 protected:
  void start(const std::string& host, std::uint32_t maxHops, bool resolve = false) {
    TraceSnapshot snap;
    snap.host = host;
    snap.maxHops = maxHops;
    snap.resolveNames = resolve;
    snap.echoFactory = net.factory();
    snap.resolver.lookupHost = [](const std::string& name) -> std::optional<HostEntry> {
      if (name == "target.example") return HostEntry{name, {kDest}};
      return std::nullopt;
    };
    snap.resolver.lookupAddress = [](Ipv4Address a) -> std::optional<HostEntry> {
      if (a == kDest) return HostEntry{"target.example", {kDest}};
      return std::nullopt;
    };
    view = std::make_unique<testing::RecordingView>(kEndOfTraceLine);
    trace = std::make_unique<TCtrlTrace>(snap, *view);
    ASSERT_TRUE(trace->start());
  }
  std::vector<std::string> finish() {
    trace->waitFor();
    EXPECT_TRUE(trace->startFlag()->isSet());
    EXPECT_EQ(net.servicesOpen(), 0);
    auto lines = view->lines();
    for (auto& l : lines) {
      if (l.find(" time:  ") != std::string::npos || l.find(" lasted ") != std::string::npos) {
        l.resize(l.find("  ", 10));
      }
    }
    return lines;
  }

  FakeEchoNetwork net;
  std::unique_ptr<testing::RecordingView> view;
  std::unique_ptr<TCtrlTrace> trace;
  TraceHopTable table{10};
  testing::ManualClock clock;
};

TEST_F(TraceTest, EachHopIsShownInOrderUntilTheDestinationTheMaximumOrAnEnd) {
  const std::string to10 = "10.0.0.50 over max ", named = "target.example [10.0.0.50] over max ";
  const struct {
    std::string host;
    std::uint32_t maxHops;
    bool resolve;
    FakeEchoNetwork::Responder responder;
    std::vector<std::string> lines;
    bool noEcho = false;
  } rows[] = {
      // Hop 1 is the slowest: later hops finish first and must wait their turn.
      {"10.0.0.50", 30, false, path(4, 5, 1, 150),
       frame(to10 + "30 hops", {routerLine(1), routerLine(2), routerLine(3), routerLine(4),
                                hopLine(5, "10.0.0.50")})},
      {"10.0.0.50", 1, true, path(1, 0), frame(named + "1 hops", {routerLine(1)})},
      // Only the scheme is removed; a path stays and spoils the look-up.
      {"https://target.example/x",
       30,
       false,
       path(0, 1),
       {" ", "  · Could not resolve host name target.example/x", kEndOfTraceLine}},
      {"10.0.0.50", 2, false, path(0, 1),
       frame(to10 + "2 hops",
             {sp(12) + "    Could not load ICMP.DLL", sp(12) + "    Could not load ICMP.DLL"}),
       true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.host + " " + std::to_string(row.maxHops));
    net.setResponder(row.responder);
    net.setOpenResult(row.noEcho ? EchoOpenResult::LibraryMissing : EchoOpenResult::Ok);
    start(row.host, row.maxHops, row.resolve);
    EXPECT_EQ(finish(), row.lines);
    EXPECT_EQ(trace->destinationReached(), &row == rows);
  }
}

TEST_F(TraceTest, ABreakKeepsThePartialHopThenTheTimeLines) {
  net.setResponder(path(6, 0, 7, 400));
  start("10.0.0.50", 30);
  const std::string partial = sp(12) + "7  " + kStarColumn;
  EXPECT_TRUE(testing::waitUntil([&] {
    const auto lines = view->lines();
    return !lines.empty() && lines.back() == partial;
  }));
  trace->requestStop();
  EXPECT_EQ(finish(), frame("10.0.0.50 over max 30 hops",
                            {routerLine(1), routerLine(2), routerLine(3), routerLine(4),
                             routerLine(5), routerLine(6), partial}));
}

TEST_F(TraceTest, AHopSendsThreePacedProbesAndNamesTheLastRouter) {
  std::vector<long long> at;  // appended by the worker alone, read once it ended
  net.setResponder([&](const FakeSend& s) {
    at.push_back(clock.elapsedMs());
    FakeReply r = FakeEchoNetwork::failure(status::kTtlExpiredTransit, 0x0A000001 + s.sendIndex);
    r.result.roundTripMs = 2;
    return r;
  });
  TraceHopParams p;
  p.hop = 3;
  p.waitMs = 700;
  p.destination = IpAddress::v4(kDest);
  p.resolveNames = true;
  table.allocateLine(3);
  {
    TTraceTh worker(p, table, net.factory(), [](const IpAddress& a) -> std::optional<HostEntry> {
      return HostEntry{"gw3.example", {}, {a}};
    });
    worker.setClock(clock);
    ASSERT_TRUE(worker.start());
    worker.waitFor();
  }
  EXPECT_EQ(net.servicesOpen(), 0);
  EXPECT_EQ(at, (std::vector<long long>{0, 100, 200}));
  for (const FakeSend& s : net.sends()) {
    EXPECT_EQ(s.options, EchoOptions{3});  // no tos, flags or IP options
    EXPECT_EQ(s.timeoutMs, 700u);
  }
  const std::string col = sp(12) + "2ms";
  EXPECT_EQ(table.line(3),
            sp(12) + "3  " + col + col + col + sp(6) + "gw3.example  [10.0.0.3]" + sp(6));
}

// What a hop's probes make of its line, and whether the trace ends there.
TEST(HopLine, ColumnsStarsTextsAndEndingErrors) {
  const EchoResult timeout{status::kRequestTimedOut, IpAddress::v4(kDest)};
  auto router = [](std::uint32_t ms) {
    return EchoResult{status::kTtlExpiredTransit, IpAddress::v4(0x0A000001), ms};
  };
  const EchoResult unreachable{status::kDestHostUnreachable, IpAddress::v4(0x0A000001), 1};
  const std::string col = sp(12) + "1ms", gw = sp(6) + "10.0.0.1" + sp(6);
  const struct {
    std::uint32_t hop;
    std::vector<EchoResult> probes;
    std::string line;
    std::uint32_t code;
  } rows[] = {
      // Columns are right-aligned by their digits.
      {100,
       {router(125), router(0), router(65535)},
       sp(8) + "100  " + sp(8) + "125ms" + sp(12) + "0ms" + sp(4) + "65535ms" + gw,
       hopcode::kFinished},
      // The router's later answers clear the time-out text.
      {2,
       {timeout, router(1), router(1)},
       sp(12) + "2  " + kStarColumn + col + col + gw,
       hopcode::kFinished},
      {2,
       {unreachable, unreachable, unreachable},
       sp(12) + "2  " + col + col + col + gw + "Destination host unreachable",
       hopcode::kEndingError},
  };
  for (const auto& row : rows) {
    HopLineBuilder b(row.hop, IpAddress::v4(kDest));
    for (const EchoResult& r : row.probes) b.addProbe(r);
    b.finish("");
    EXPECT_EQ(b.line(), row.line);
    EXPECT_EQ(b.finalCode(), row.code) << row.line;
  }
}

}  // namespace
}  // namespace tarvo
