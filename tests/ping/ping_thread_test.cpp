#include "ping/ping_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "base/clock.h"
#include "engine/address.h"
#include "engine/echo_status.h"
#include "fake_echo_service.h"
#include "manual_clock.h"
#include "ping/ping_lines.h"
#include "recording_view.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeSend;

const Ipv4Address kLocal = 0x7F000001;   // 127.0.0.1
const Ipv4Address kRouter = 0x0A000001;  // 10.0.0.1

class NoTone : public Tone {
 public:
  void play(std::uint32_t, std::uint32_t) override {}
};
ToneFactory noTone() {
  return [] { return std::make_unique<NoTone>(); };
}

PingSnapshot quick(std::uint32_t count) {
  PingSnapshot s;
  s.host = "127.0.0.1";
  s.count = count;
  s.delayMs = 1;
  s.waitMs = 100;
  return s;
}

struct PingView : testing::RecordingView {
  PingView() : RecordingView(kEndOfPingLine) {}
  bool runReached = false;  // what the finished run says, for the exit status
  // The lines with the date-times cut off after their labels. Start and end
  // are whole seconds, so a run of a few milliseconds may last 00:00:01.
  std::vector<std::string> maskedLines() const {
    auto out = lines();
    for (auto& l : out) {
      if (l == "        Ping lasted [hh:mm:ss]  00:00:01")
        l = "        Ping lasted [hh:mm:ss]  00:00:00";
      for (const char* label : {"        Start time  ", "        End time  "}) {
        if (l.rfind(label, 0) == 0) l = std::string(label) + "<time>";
      }
    }
    return out;
  }
};

std::vector<std::string> runPing(const PingSnapshot& snap, FakeEchoNetwork& net, PingView& view,
                                 Clock* clock = nullptr) {
  TPing ping(snap, view, net.factory(), noTone());
  if (clock) ping.setClock(*clock);
  EXPECT_TRUE(ping.start());
  ping.waitFor();
  view.runReached = ping.reached();
  return view.maskedLines();
}

TEST(PingRun, NormalRunPrintsEveryLineInOrder) {
  FakeEchoNetwork net;
  std::vector<std::uint32_t> rtts = {1, 2, 2};
  net.setResponder([&](const FakeSend& s) {
    return FakeEchoNetwork::reply(s.destination, rtts[s.sendIndex], 32, 64);
  });
  PingView view;
  auto lines = runPing(quick(3), net, view);
  std::vector<std::string> expected = {
      " ",
      "  \u00B7 Pinging 127.0.0.1",
      "        Start time  <time>",
      "        Reply from 127.0.0.1: Bytes=32 Time=1ms TTL=64",
      "        Reply from 127.0.0.1: Bytes=32 Time=2ms TTL=64",
      "        Reply from 127.0.0.1: Bytes=32 Time=2ms TTL=64",
      "        End time  <time>",
      "  \u00B7 Statistics for 127.0.0.1:",
      "        Packets:     sent / received / lost = 3 / 3 / 0   (0% Loss)",
      "        Time [ms]:   min / average / max  = 1 / 1 / 2",
      "        Ping lasted [hh:mm:ss]  00:00:00",
      "    ------------------------End of Ping------------------------",
  };
  EXPECT_EQ(lines, expected);
  auto steps = view.steps();
  ASSERT_GE(steps.size(), 4u);
  EXPECT_EQ(steps[0], "begin");
  EXPECT_EQ(steps[1], "status:");
  EXPECT_EQ(steps[2], "clear lists");
  // The host is listed as reached once, right at the first reply, before its line.
  EXPECT_EQ(std::count(steps.begin(), steps.end(), "reached 127.0.0.1"), 1);
  auto listed = std::find(steps.begin(), steps.end(), "reached 127.0.0.1") - steps.begin();
  EXPECT_EQ(steps[listed + 1], "select reached");
  EXPECT_EQ(steps[listed + 2], "line");
  EXPECT_EQ(steps.back(), "end");
  EXPECT_EQ(net.servicesOpen(), 0);
}

TEST(PingRun, ErrorsAndTimeoutsBecomeStatusLines) {
  FakeEchoNetwork net;
  net.setResponder([](const FakeSend& s) {
    switch (s.sendIndex) {
      case 0:
        return FakeEchoNetwork::failure(status::kRequestTimedOut, s.destination);
      case 1:
        return FakeEchoNetwork::failure(status::kDestHostUnreachable, kRouter);
      case 2:
        return FakeEchoNetwork::failure(status::kGeneralFailure, s.destination);
      default:
        return FakeEchoNetwork::failure(status::kOptionTooBig, s.destination);
    }
  });
  PingView view;
  auto lines = runPing(quick(4), net, view);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[3], "        Request timed out ");
  EXPECT_EQ(lines[4], "        Reply from 10.0.0.1: Destination host unreachable ");
  EXPECT_EQ(lines[5], "        Error: ICMP Status = 11050");
  EXPECT_EQ(lines[6], "        Option too big ");
  EXPECT_EQ(lines[9], "        Packets:     sent / received / lost = 4 / 0 / 4   (100% Loss)");
  EXPECT_EQ(lines[10], "        Time [ms]:   min / average / max  = 0 / 0 / 0");
  // Nothing answered: the typed address goes to the not-reached list.
  auto steps = view.steps();
  EXPECT_NE(std::find(steps.begin(), steps.end(), "not reached 127.0.0.1"), steps.end());
  EXPECT_FALSE(view.runReached);
}

TEST(PingRun, LossPercentIsTruncatedAndReplierIsNamed) {
  FakeEchoNetwork net;
  net.setResponder([](const FakeSend& s) {
    if (s.sendIndex == 1) return FakeEchoNetwork::failure(status::kRequestTimedOut, s.destination);
    // Someone else answering (a broadcast, say) is named in the reply line.
    return FakeEchoNetwork::reply(0x7F000002, 3, 32, 128);
  });
  PingView view;
  auto lines = runPing(quick(3), net, view);
  EXPECT_EQ(lines[3], "        Reply from 127.0.0.2: Bytes=32 Time=3ms TTL=128");
  EXPECT_EQ(lines[8], "        Packets:     sent / received / lost = 3 / 2 / 1   (33% Loss)");
  auto steps = view.steps();
  EXPECT_NE(std::find(steps.begin(), steps.end(), "reached 127.0.0.2"), steps.end());
  // A time-out among the replies: the run still reached its host.
  EXPECT_TRUE(view.runReached);
}

TEST(PingRun, StartUpFailureEndsWithoutStatistics) {
  FakeEchoNetwork net;
  net.setOpenResult(EchoOpenResult::EntryPointMissing);
  PingView view;
  TPing ping(quick(3), view, net.factory(), noTone());
  ASSERT_TRUE(ping.start());
  ping.waitFor();
  EXPECT_TRUE(ping.startFailed());
  EXPECT_EQ(view.lines(),
            (std::vector<std::string>{"  \u00B7 Error getting ICMP proc address", kEndOfPingLine}));
  EXPECT_TRUE(net.sends().empty());
}

TEST(PingRun, RequestsCarryTheSnapshotsOptionsAndLetters) {
  FakeEchoNetwork net;
  PingSnapshot snap = quick(1);
  snap.ttl = 7;
  snap.tos = 16;
  snap.dataSize = 30;
  snap.routerAlert = true;
  snap.waitMs = 321;
  PingView view;
  runPing(snap, net, view);
  auto sends = net.sends();
  ASSERT_EQ(sends.size(), 1u);
  EXPECT_EQ(sends[0].destination, kLocal);
  EXPECT_EQ(sends[0].timeoutMs, 321u);
  EXPECT_EQ(std::string(sends[0].payload.begin(), sends[0].payload.end()),
            "ABCDEFGHIJKLMNOPQRSTUVWXYZABCD");
  EXPECT_EQ(sends[0].options.ttl, 7);
  EXPECT_EQ(sends[0].options.tos, 16);
  EXPECT_EQ(sends[0].options.flags, 0);
  EXPECT_EQ(sends[0].options.optionSize, 4);
  EXPECT_EQ(sends[0].options.optionBytes, (std::array<std::uint8_t, 4>{0x94, 0x04, 0, 0}));

  // Don't fragment wins over router alert: four zero option bytes.
  FakeEchoNetwork net2;
  snap.dontFragment = true;
  snap.dataSize = 0;
  PingView view2;
  runPing(snap, net2, view2);
  sends = net2.sends();
  EXPECT_EQ(sends[0].options.flags, EchoOptions::kDontFragment);
  EXPECT_EQ(sends[0].options.optionBytes, (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
  EXPECT_TRUE(sends[0].payload.empty());

  // No options area at all where the platform cannot send options.
  FakeEchoNetwork net3;
  snap.ipOptionsSupported = false;
  snap.dontFragment = false;
  PingView view3;
  runPing(snap, net3, view3);
  EXPECT_EQ(net3.sends()[0].options.optionSize, 0);
}

TEST(PingRun, BreakBeforeTheFirstRequestSendsNothing) {
  FakeEchoNetwork net;
  PingView view;
  TPing ping(quick(0), view, net.factory(), noTone());
  ping.requestStop();  // as if Break came while the name was resolving
  ASSERT_TRUE(ping.start());
  ping.waitFor();
  auto lines = view.maskedLines();
  EXPECT_TRUE(net.sends().empty());
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[2], "        Start time  <time>");
  EXPECT_EQ(lines[3], "        End time  <time>");
  EXPECT_EQ(lines[5], "        Packets:     sent / received / lost = 0 / 0 / 0   (0% Loss)");
  EXPECT_EQ(lines[6], "        Time [ms]:   min / average / max  = 0 / 0 / 0");
}

// Asks the ping to stop once it has waited stopAfterMs.
class BreakingClock : public testing::ManualClock {
 public:
  BreakingClock(ThreadBase& thread, long long stopAfterMs)
      : thread_(thread), stopAfterMs_(stopAfterMs) {}
  void sleepFor(Duration duration) override {
    ManualClock::sleepFor(duration);
    if (elapsedMs() >= stopAfterMs_) thread_.requestStop();
  }

 private:
  ThreadBase& thread_;
  long long stopAfterMs_;
};

TEST(PingRun, BreakEarlyInALongDelayStopsWithinASlice) {
  FakeEchoNetwork net;
  PingSnapshot snap = quick(0);
  snap.delayMs = 60000;
  PingView view;
  TPing ping(snap, view, net.factory(), noTone());
  BreakingClock clock(ping, 700);
  ping.setClock(clock);
  ASSERT_TRUE(ping.start());
  ping.waitFor();
  // Break came 700 ms into the wait; the slice under way ran out first.
  EXPECT_EQ(clock.elapsedMs(), 1000);
  auto lines = view.lines();
  EXPECT_EQ(lines[lines.size() - 4],
            "        Packets:     sent / received / lost = 1 / 1 / 0   (0% Loss)");
  EXPECT_EQ(lines.back(), kEndOfPingLine);
}

TEST(PingRun, PacingKeepsTheDelayButNotAfterALongTimeout) {
  FakeEchoNetwork net;
  testing::ManualClock clock;
  std::vector<Clock::TimePoint> starts;
  net.setResponder([&](const FakeSend& s) {
    starts.push_back(clock.now());
    // The second request takes longer than the delay.
    if (s.sendIndex == 1) clock.advance(std::chrono::milliseconds(900));
    return FakeEchoNetwork::reply(s.destination, 1, 32, 64);
  });
  PingSnapshot snap = quick(3);
  snap.delayMs = 300;
  PingView view;
  runPing(snap, net, view, &clock);
  ASSERT_EQ(starts.size(), 3u);
  EXPECT_EQ(starts[1] - starts[0], std::chrono::milliseconds(300));
  // The next request follows at once: the delay counts from the start of a
  // request, so a long answer leaves nothing of it to wait.
  EXPECT_EQ(starts[2] - starts[1], std::chrono::milliseconds(900));
}

// A resolver that knows one name, for both directions.
Resolver oneName() {
  Resolver r;
  r.lookupHost = [](const std::string& name) -> std::optional<HostEntry> {
    if (name != "box.test") return std::nullopt;
    return HostEntry{"box.example.test", {0x7F000007}};
  };
  r.lookupAddress = [](Ipv4Address address) -> std::optional<HostEntry> {
    if (address != 0x7F000007) return std::nullopt;
    return HostEntry{"box.example.test", {address}};
  };
  return r;
}

TEST(PingNames, ForwardAndReverseLookUpsShowTheirOutcome) {
  struct Case {
    std::string host;
    bool resolveNames;
    std::vector<std::string> head;  // lines after the blank one
    std::size_t sends;
  };
  const std::vector<Case> cases = {
      {"http://box.test",
       false,
       {"  \u00B7 Lookup destination...", "  \u00B7 Pinging box.example.test [127.0.0.7]"},
       1},
      {"other.test", false, {"  \u00B7 Lookup destination...", "  \u00B7 other.test not found"}, 0},
      {"127.0.0.7", true, {"  \u00B7 Pinging box.example.test [127.0.0.7]"}, 1},
      {"127.0.0.8", true, {"  \u00B7 Name resolution failed. Pinging 127.0.0.8"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    FakeEchoNetwork net;
    PingSnapshot snap = quick(1);
    snap.host = c.host;
    snap.resolveNames = c.resolveNames;
    snap.resolver = oneName();
    PingView view;
    const auto lines = runPing(snap, net, view);
    ASSERT_GT(lines.size(), c.head.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.begin() + 1 + c.head.size()),
              c.head);
    const auto sends = net.sends();
    ASSERT_EQ(sends.size(), c.sends);
    if (!sends.empty()) {
      EXPECT_EQ(sends[0].destination, c.host == "127.0.0.8" ? 0x7F000008u : 0x7F000007u);
    }
  }
}

}  // namespace
}  // namespace tarvo
