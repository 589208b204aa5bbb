#include "trace/trace_controller.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/clock.h"
#include "engine/echo_status.h"
#include "fake_echo_service.h"
#include "recording_trace_view.h"
#include "trace/trace_hop_line.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeReply;
using testing::FakeSend;
using testing::RecordingTraceView;

constexpr Ipv4Address kDest = 0x0A000032;  // 10.0.0.50

std::string sp(int n) { return std::string(n, ' '); }
Ipv4Address routerOf(std::uint32_t hop) { return 0x0A000100 + hop; }  // 10.0.1.<hop>
std::string routerLine(std::uint32_t hop, const std::string& rttCol = sp(12) + "1ms") {
  return hopPadding(hop) + std::to_string(hop) + "  " + rttCol + rttCol + rttCol + sp(6) +
         "10.0.1." + std::to_string(hop) + sp(6);
}
std::string starLine(std::uint32_t hop) {
  return hopPadding(hop) + std::to_string(hop) + "  " + kStarColumn + kStarColumn + kStarColumn +
         sp(6) + "Request timed out";
}

// A path whose routers answer from hop 1 on; the destination sits at
// destHop (0: it never answers and the probes beyond the routers time out).
FakeEchoNetwork::Responder path(std::uint32_t routers, std::uint32_t destHop) {
  return [=](const FakeSend& s) {
    if (s.options.ttl <= routers) {
      FakeReply r = FakeEchoNetwork::failure(status::kTtlExpiredTransit, routerOf(s.options.ttl));
      r.result.roundTripMs = 1;
      return r;
    }
    if (destHop != 0 && s.options.ttl >= destHop) return FakeEchoNetwork::reply(kDest, 1);
    return FakeEchoNetwork::failure(status::kRequestTimedOut, kDest, 30);
  };
}

TraceResolver fakeResolver() {
  TraceResolver r;
  r.lookupHost = [](const std::string& name) -> std::optional<HostEntry> {
    if (name == "target.example") return HostEntry{"target.example", {kDest}};
    return std::nullopt;
  };
  r.lookupAddress = [](Ipv4Address a) -> std::optional<HostEntry> {
    if (a == kDest) return HostEntry{"target.example", {kDest}};
    return std::nullopt;
  };
  return r;
}

struct TraceRun {
  FakeEchoNetwork net;
  RecordingTraceView view;
  TraceSnapshot snap;
  int socketsBefore = socketStartCount();

  TraceRun() {
    snap.host = "10.0.0.50";
    snap.waitMs = 500;
    snap.echoFactory = net.factory();
    snap.resolver = fakeResolver();
  }
  std::unique_ptr<TCtrlTrace> start() {
    auto trace = std::make_unique<TCtrlTrace>(snap, view);
    EXPECT_TRUE(trace->start());
    return trace;
  }
  std::vector<std::string> run() {
    auto trace = start();
    trace->waitFor();
    reached = trace->destinationReached();
    EXPECT_TRUE(trace->startFlag()->isSet());
    EXPECT_EQ(view.starts(), 1);
    EXPECT_EQ(view.finishes(), 1);
    EXPECT_EQ(net.servicesOpen(), 0);
    EXPECT_EQ(socketStartCount(), socketsBefore);
    return view.lines();
  }
  bool reached = false;
};

// Header, start time, the hop lines, end time, duration, end line.
void expectFrame(const std::vector<std::string>& lines, const std::string& header,
                 std::size_t hopLines) {
  ASSERT_EQ(lines.size(), hopLines + 6);
  EXPECT_EQ(lines[0], " ");
  EXPECT_EQ(lines[1], header);
  EXPECT_EQ(lines[2].rfind("        Start time:  ", 0), 0u) << lines[2];
  EXPECT_EQ(lines[3 + hopLines].rfind("        End time:  ", 0), 0u) << lines[3 + hopLines];
  EXPECT_EQ(lines[4 + hopLines].rfind("          Traceroute lasted [hh:mm:ss]  00:00:0", 0), 0u)
      << lines[4 + hopLines];
  EXPECT_EQ(lines[5 + hopLines], kEndOfTraceLine);
}

TEST(TraceController, StopsAtTheDestinationAndShowsHopsInOrder) {
  TraceRun run;
  FakeEchoNetwork::Responder base = path(4, 5);
  // Hop 1 is the slowest, so later hops finish first and must wait their turn.
  run.net.setResponder([base](const FakeSend& s) {
    FakeReply r = base(s);
    if (s.options.ttl == 1) r.delayMs = 150;
    return r;
  });
  const auto lines = run.run();
  expectFrame(lines, "  · Traceroute to 10.0.0.50 over max 30 hops", 5);
  for (std::uint32_t hop = 1; hop <= 4; ++hop) EXPECT_EQ(lines[2 + hop], routerLine(hop));
  EXPECT_EQ(lines[7], sp(12) + "5  " + sp(12) + "1ms" + sp(12) + "1ms" + sp(12) + "1ms" + sp(6) +
                          "10.0.0.50" + sp(6));
  EXPECT_TRUE(run.reached);
  // Hop 1 was shown while its probes came in, each state replacing the last.
  const auto replaced = run.view.replaced();
  EXPECT_NE(std::find(replaced.begin(), replaced.end(), sp(12) + "1  "), replaced.end());
  EXPECT_NE(std::find(replaced.begin(), replaced.end(), sp(12) + "1  " + sp(12) + "1ms"),
            replaced.end());
}

TEST(TraceController, NeverReachedShowsExactlyTheMaximum) {
  TraceRun run;
  run.net.setResponder(path(2, 0));
  run.snap.maxHops = 5;
  const auto lines = run.run();
  expectFrame(lines, "  · Traceroute to 10.0.0.50 over max 5 hops", 5);
  EXPECT_EQ(lines[3], routerLine(1));
  EXPECT_EQ(lines[4], routerLine(2));
  for (std::uint32_t hop = 3; hop <= 5; ++hop) EXPECT_EQ(lines[2 + hop], starLine(hop));
  EXPECT_FALSE(run.reached);
  // No hop beyond the maximum was ever probed.
  for (const FakeSend& s : run.net.sends()) EXPECT_LE(s.options.ttl, 5);
}

TEST(TraceController, BreakKeepsThePartialHopAndEndsWithTheTimeLines) {
  TraceRun run;
  FakeEchoNetwork::Responder base = path(6, 0);
  run.net.setResponder([base](const FakeSend& s) {
    FakeReply r = base(s);
    if (s.options.ttl >= 7) r.delayMs = 400;
    return r;
  });
  auto trace = run.start();
  const std::string hop7 = sp(12) + "7  ";
  for (int i = 0; i < 1000; ++i) {
    const auto now = run.view.lines();
    if (now.size() == 10 && now.back() == hop7 + kStarColumn) break;
    sleepMs(5);
  }
  trace->requestStop();
  trace->waitFor();
  const auto lines = run.view.lines();
  expectFrame(lines, "  · Traceroute to 10.0.0.50 over max 30 hops", 7);
  for (std::uint32_t hop = 1; hop <= 6; ++hop) EXPECT_EQ(lines[2 + hop], routerLine(hop));
  EXPECT_EQ(lines[9], hop7 + kStarColumn);
  EXPECT_FALSE(trace->destinationReached());
  EXPECT_EQ(run.net.servicesOpen(), 0);
  EXPECT_EQ(socketStartCount(), run.socketsBefore);
}

TEST(TraceController, HopsThatCannotSetUpAreShownAndTheTraceGoesOn) {
  TraceRun run;
  run.net.setOpenResult(EchoOpenResult::EntryPointMissing);
  run.snap.maxHops = 3;
  const auto lines = run.run();
  expectFrame(lines, "  · Traceroute to 10.0.0.50 over max 3 hops", 3);
  for (std::uint32_t hop = 1; hop <= 3; ++hop) {
    EXPECT_EQ(lines[2 + hop], sp(12) + "    Error getting ICMP proc address");
  }
  EXPECT_FALSE(run.reached);
}

TEST(TraceController, HeaderNamesTheDestinationAsResolved) {
  struct Case {
    std::string host;
    bool resolve;
    std::string header;
    Ipv4Address destination;
  };
  const Case cases[] = {
      {"10.0.0.50", true, "  · Traceroute to target.example [10.0.0.50] over max 1 hops", kDest},
      {"http://target.example", false,
       "  · Traceroute to target.example [10.0.0.50] over max 1 hops", kDest},
      // Addresses are shown as typed, also the short form.
      {"10.50", false, "  · Traceroute to 10.50 over max 1 hops", kDest},
      {"10.0.0.51", true, "  · Traceroute to 10.0.0.51 over max 1 hops", kDest + 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    TraceRun run;
    run.net.setResponder(path(1, 0));
    run.snap.host = c.host;
    run.snap.resolveNames = c.resolve;
    run.snap.maxHops = 1;
    const auto lines = run.run();
    // Maximum 1 and a router at hop 1: the trace ends there.
    expectFrame(lines, c.header, 1);
    EXPECT_EQ(lines[3], routerLine(1));
    for (const FakeSend& s : run.net.sends()) EXPECT_EQ(s.destination, c.destination);
  }
}

TEST(TraceController, UnknownHostEndsWithoutTimeLines) {
  for (auto [host, shown] :
       {std::pair{"nowhere.example", "nowhere.example"},
        // Only the scheme goes; the path stays and spoils the look-up.
        std::pair{"https://target.example/index.html", "target.example/index.html"}}) {
    TraceRun run;
    run.snap.host = host;
    const auto lines = run.run();
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  " ", std::string("  · Could not resolve host name ") + shown, kEndOfTraceLine}));
    EXPECT_FALSE(run.reached);
    EXPECT_EQ(run.net.servicesCreated(), 0);
  }
}

}  // namespace
}  // namespace tarvo
