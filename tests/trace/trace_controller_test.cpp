#include "trace/trace_controller.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/clock.h"
#include "engine/echo_status.h"
#include "fake_echo_service.h"
#include "recording_view.h"
#include "trace/trace_hop_line.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeReply;
using testing::FakeSend;

constexpr Ipv4Address kDest = 0x0A000032;  // 10.0.0.50
std::string sp(int n) { return std::string(n, ' '); }

std::string routerLine(std::uint32_t hop) {
  const std::string col = sp(12) + "1ms";
  return hopPadding(hop) + std::to_string(hop) + "  " + col + col + col + sp(6) + "10.0.1." +
         std::to_string(hop) + sp(6);
}

// Routers 10.0.1.<hop> answer up to hop `routers`; the destination answers
// from destHop on, or never (0): those probes time out.
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
    if (slowHop != 0 && s.options.ttl >= slowHop) r.delayMs = slowMs;
    return r;
  };
}

struct TraceRun {
  FakeEchoNetwork net;
  testing::RecordingView view{kEndOfTraceLine};
  TraceSnapshot snap;
  std::unique_ptr<TCtrlTrace> trace;

  TraceRun(std::string host = "10.0.0.50", std::uint32_t maxHops = 30) {
    snap.host = std::move(host);
    snap.maxHops = maxHops;
    snap.echoFactory = net.factory();
    snap.resolver.lookupHost = [](const std::string& name) -> std::optional<HostEntry> {
      if (name == "target.example") return HostEntry{"target.example", {kDest}};
      return std::nullopt;
    };
    snap.resolver.lookupAddress = [](Ipv4Address a) -> std::optional<HostEntry> {
      if (a == kDest) return HostEntry{"target.example", {kDest}};
      return std::nullopt;
    };
  }
  void start() {
    trace = std::make_unique<TCtrlTrace>(snap, view);
    ASSERT_TRUE(trace->start());
  }
  std::vector<std::string> finish() {
    trace->waitFor();
    EXPECT_TRUE(trace->startFlag()->isSet());
    EXPECT_EQ(net.servicesOpen(), 0);
    return view.lines();
  }
  std::vector<std::string> run() {
    start();
    return finish();
  }
};

// Blank, header, start time, the hop lines, end time, duration, end line.
void expectFrame(const std::vector<std::string>& lines, const std::string& header,
                 std::vector<std::string> hops) {
  ASSERT_EQ(lines.size(), hops.size() + 6) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[1], header);
  EXPECT_EQ(lines[2].rfind("        Start time:  ", 0), 0u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end() - 3), hops);
  EXPECT_EQ(lines.end()[-3].rfind("        End time:  ", 0), 0u);
  EXPECT_EQ(lines.end()[-2].rfind("          Traceroute lasted [hh:mm:ss]  00:00:0", 0), 0u);
  EXPECT_EQ(lines.back(), kEndOfTraceLine);
}

TEST(TraceController, StopsAtTheDestinationShowingHopsInOrder) {
  TraceRun run;
  // Hop 1 is the slowest: later hops finish first and must wait their turn.
  run.net.setResponder([base = path(4, 5)](const FakeSend& s) {
    FakeReply r = base(s);
    if (s.options.ttl == 1) r.delayMs = 150;
    return r;
  });
  const auto lines = run.run();
  const std::string col = sp(12) + "1ms";
  expectFrame(lines, "  · Traceroute to 10.0.0.50 over max 30 hops",
              {routerLine(1), routerLine(2), routerLine(3), routerLine(4),
               sp(12) + "5  " + col + col + col + sp(6) + "10.0.0.50" + sp(6)});
  EXPECT_TRUE(run.trace->destinationReached());
  // Hop 1 was shown while its probes came in, each state replacing the last.
  const auto replaced = run.view.replaced();
  EXPECT_NE(std::find(replaced.begin(), replaced.end(), sp(12) + "1  "), replaced.end());
  EXPECT_NE(std::find(replaced.begin(), replaced.end(), sp(12) + "1  " + col), replaced.end());
}

TEST(TraceController, NeverReachedShowsExactlyTheMaximum) {
  TraceRun run("10.0.0.50", 4);
  run.net.setResponder(path(2, 0));
  const std::string stars = sp(6) + "Request timed out";
  const std::string starCols = std::string(kStarColumn) + kStarColumn + kStarColumn;
  expectFrame(run.run(), "  · Traceroute to 10.0.0.50 over max 4 hops",
              {routerLine(1), routerLine(2), sp(12) + "3  " + starCols + stars,
               sp(12) + "4  " + starCols + stars});
  EXPECT_FALSE(run.trace->destinationReached());
  for (const FakeSend& s : run.net.sends()) EXPECT_LE(s.options.ttl, 4);
}

TEST(TraceController, BreakKeepsThePartialHopThenTheTimeLines) {
  TraceRun run;
  run.net.setResponder(path(6, 0, 7, 400));
  run.start();
  const std::string partial = sp(12) + "7  " + kStarColumn;
  for (int i = 0; i < 1000; ++i) {
    const auto lines = run.view.lines();
    if (!lines.empty() && lines.back() == partial) break;
    sleepMs(5);
  }
  run.trace->requestStop();
  expectFrame(run.finish(), "  · Traceroute to 10.0.0.50 over max 30 hops",
              {routerLine(1), routerLine(2), routerLine(3), routerLine(4), routerLine(5),
               routerLine(6), partial});
}

TEST(TraceController, HopsThatCannotSetUpAreShownAndTheTraceGoesOn) {
  TraceRun run("10.0.0.50", 2);
  run.net.setOpenResult(EchoOpenResult::LibraryMissing);
  expectFrame(run.run(), "  · Traceroute to 10.0.0.50 over max 2 hops",
              {sp(12) + "    Could not load ICMP.DLL", sp(12) + "    Could not load ICMP.DLL"});
}

TEST(TraceController, HeaderNamesTheDestinationAsResolved) {
  const struct {
    std::string host;
    bool resolve;
    std::string shown;
    Ipv4Address destination;
  } cases[] = {
      {"10.0.0.50", true, "target.example [10.0.0.50]", kDest},
      {"http://target.example", false, "target.example [10.0.0.50]", kDest},
      {"10.50", false, "10.50", kDest},  // addresses are shown as typed
      {"10.0.0.51", true, "10.0.0.51", kDest + 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host);
    // Maximum 1 and a router at hop 1: the trace ends there.
    TraceRun run(c.host, 1);
    run.snap.resolveNames = c.resolve;
    run.net.setResponder(path(1, 0));
    expectFrame(run.run(), "  · Traceroute to " + c.shown + " over max 1 hops", {routerLine(1)});
    for (const FakeSend& s : run.net.sends()) EXPECT_EQ(s.destination, c.destination);
  }
}

TEST(TraceController, UnknownHostEndsWithoutTimeLines) {
  // Only the scheme is removed; a path stays and spoils the look-up.
  for (std::string host : {"nowhere.example", "https://target.example/index.html"}) {
    TraceRun run(host);
    const std::string shown = host == "nowhere.example" ? host : "target.example/index.html";
    EXPECT_EQ(run.run(), (std::vector<std::string>{" ", "  · Could not resolve host name " + shown,
                                                   kEndOfTraceLine}));
    EXPECT_FALSE(run.trace->destinationReached());
  }
}

}  // namespace
}  // namespace tarvo
