#include "ping/ping_thread.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/address.h"
#include "engine/echo_status.h"
#include "fake_echo_service.h"
#include "manual_clock.h"
#include "recording_view.h"

namespace tarvo {
namespace {

using testing::FakeEchoNetwork;
using testing::FakeSend;

// A whole run's lines, with its times cut off after their labels.
std::vector<std::string> frame(std::vector<std::string> results, const std::string& packets,
                               const std::string& times) {
  for (std::string& r : results) r = "        " + r;
  results.insert(results.begin(), {" ", "  · Pinging 127.0.0.1", "        Start time"});
  results.insert(results.end(), {"        End time", "  · Statistics for 127.0.0.1:",
                                 "        Packets:     sent / received / lost = " + packets,
                                 "        Time [ms]:   min / average / max  = " + times,
                                 "        Ping lasted [hh:mm:ss]", kEndOfPingLine});
  return results;
}

// A snapshot of 127.0.0.1 with a change of its own.
PingSnapshot snap(std::uint32_t count, void (*change)(PingSnapshot&) = nullptr) {
  PingSnapshot s;
  s.host = "127.0.0.1";
  s.count = count;
  if (change) change(s);
  return s;
}

class PingTest : public ::testing::Test {
 protected:
  // Runs the ping to its end on the test clock; its lines, and in `lists`
  // the host lists' steps, each after the number of lines before it.
  std::vector<std::string> run(const PingSnapshot& snap, bool stopFirst = false) {
    view = std::make_unique<testing::RecordingView>(kEndOfPingLine);
    ping = std::make_unique<TPing>(snap, *view, net.factory());
    ping->setClock(clock);
    if (stopFirst) ping->requestStop();
    EXPECT_TRUE(ping->start());
    ping->waitFor();
    EXPECT_EQ(net.servicesOpen(), 0);
    lists.clear();
    std::size_t lines = 0;
    for (const std::string& step : view->steps()) {
      lines += step == "line";
      if (step.find("reached") != std::string::npos) lists.push_back(std::to_string(lines) + step);
    }
    auto out = view->lines();
    for (auto& l : out) {
      if (l.find(" time  ") != std::string::npos || l.find(" lasted ") != std::string::npos) {
        l.resize(l.find("  ", 8));
      }
    }
    return out;
  }

  FakeEchoNetwork net;
  testing::ManualClock clock;
  std::unique_ptr<testing::RecordingView> view;
  std::unique_ptr<TPing> ping;
  std::vector<std::string> lists;
};

TEST_F(PingTest, EveryRequestIsOneLineAndTheStatisticsCountThem) {
  // What each request gets, by letter: a reply in 1 or 2 ms, one from
  // another host (a broadcast's answer, say), a time-out, a router's
  // "host unreachable", a status without text.
  const std::map<char, testing::FakeReply> answers{
      {'1', FakeEchoNetwork::reply(0x7F000001, 1)},
      {'2', FakeEchoNetwork::reply(0x7F000001, 2)},
      {'B', FakeEchoNetwork::reply(0x7F000002, 3, 32, 128)},
      {'T', FakeEchoNetwork::failure(status::kRequestTimedOut, 0x7F000001)},
      {'U', FakeEchoNetwork::failure(status::kDestHostUnreachable, 0x0A000001)},
      {'G', FakeEchoNetwork::failure(status::kGeneralFailure, 0x7F000001)}};
  const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZABCD";
  const std::string reply1 = "Reply from 127.0.0.1: Bytes=32 Time=", other = "Reply from 127.0.0.2";
  const struct {
    PingSnapshot snap;
    std::string script;
    std::vector<std::string> lines, lists;
    EchoOptions options;
    std::string payload;
    bool stopFirst = false;
  } rows[] = {
      // Listed once, at the first reply, before its line.
      {snap(3, [](PingSnapshot& s) { s.dataSize = 30, s.ttl = 7, s.tos = 16, s.routerAlert = 1; }),
       "1B2",
       frame({reply1 + "1ms TTL=64", other + ": Bytes=32 Time=3ms TTL=128", reply1 + "2ms TTL=64"},
             "3 / 3 / 0   (0% Loss)", "1 / 2 / 3"),
       {"3reached 127.0.0.1", "3select reached"},
       {7, 16, 0, 4, {0x94, 0x04, 0, 0}},
       letters},
      // Don't fragment wins over router alert: four zero option bytes.
      {snap(3, [](PingSnapshot& s) { s.dataSize = 0, s.dontFragment = s.routerAlert = true; }),
       "TUG",
       frame({"Request timed out ", "Reply from 10.0.0.1: Destination host unreachable ",
              "Error: ICMP Status = 11050"},
             "3 / 0 / 3   (100% Loss)", "0 / 0 / 0"),
       {"11not reached 127.0.0.1", "11select not reached"},
       {60, 0, EchoOptions::kDontFragment, 4, {}},
       ""},
      // Break came while the name was resolving: no request goes out.
      {snap(0),
       "",
       frame({}, "0 / 0 / 0   (0% Loss)", "0 / 0 / 0"),
       {"8not reached 127.0.0.1", "8select not reached"},
       {},
       "",
       true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    net.setResponder([&](const FakeSend& s) { return answers.at(row.script.at(s.sendIndex)); });
    const std::size_t before = net.sends().size();
    EXPECT_EQ(run(row.snap, row.stopFirst), row.lines);
    EXPECT_EQ(lists, row.lists);
    EXPECT_EQ(ping->reached(), row.lists[0].find("not") == std::string::npos);
    ASSERT_EQ(net.sends().size() - before, row.script.size());
    if (row.script.empty()) continue;
    const FakeSend first = net.sends().at(before);
    EXPECT_EQ(first.options, row.options);
    EXPECT_EQ(std::string(first.payload.begin(), first.payload.end()), row.payload);
    EXPECT_EQ(first.timeoutMs, 1000u);
  }
}

// The delay counts from the start of a request, so a long answer leaves
// nothing of it to wait.
TEST_F(PingTest, PacingKeepsTheDelayButNotAfterALongAnswer) {
  std::vector<long long> starts;
  net.setResponder([&](const FakeSend& s) {
    starts.push_back(clock.elapsedMs());
    if (s.sendIndex == 1) clock.advance(std::chrono::milliseconds(900));
    return FakeEchoNetwork::reply(s.destination, 1);
  });
  run(snap(3, [](PingSnapshot& s) { s.delayMs = 300; }));
  EXPECT_EQ(starts, (std::vector<long long>{0, 300, 1200}));
}

// IPv6 targets: typed as literals or found under a name in the family
// asked for, pinged at the first such answer, and shown like IPv4 ones.
TEST_F(PingTest, Ipv6TargetsAreFoundPingedAndShownLikeIpv4Ones) {
  const IpAddress v4 = IpAddress::v4(0x0A000005), v6 = *parseIpv6Literal("fd00::5");
  const IpAddress router = *parseIpv6Literal("fd00:3::2");
  // The system's order puts IPv6 first; a family asked for keeps its own.
  const auto both = [&](const std::string& name, FamilyPreference family) {
    HostEntry e{name + ".example", {}, {}};
    if (family != FamilyPreference::V4) e.all.push_back(v6);
    if (family != FamilyPreference::V6) e.all.push_back(v4);
    return std::optional<HostEntry>(e);
  };
  const struct {
    std::string host;
    FamilyPreference family;
    bool scriptedV4Only;  // only the IPv4 look-up is scripted
    bool dontFragment;
    std::vector<std::string> head;  // the lines before the start time
    std::optional<IpAddress> sentTo;
  } rows[] = {
      {"[fd00::5]", FamilyPreference::System, false, false, {" ", "  · Pinging [fd00::5]"}, v6},
      {"fe80::1%9",
       FamilyPreference::System,
       false,
       false,
       {" ", "  · Pinging fe80::1%9"},
       parseIpv6Literal("fe80::1%9")},
      {"fd00::5",
       FamilyPreference::V4,
       false,
       true,
       {" ", "  · Pinging fd00::5", "  Don't fragment and router alert do not apply to IPv6."},
       v6},
      {"dual",
       FamilyPreference::System,
       false,
       false,
       {" ", "  · Lookup destination...", "  · Pinging dual.example [fd00::5]"},
       v6},
      {"dual",
       FamilyPreference::V4,
       false,
       true,
       {" ", "  · Lookup destination...", "  · Pinging dual.example [10.0.0.5]"},
       v4},
      {"dual",
       FamilyPreference::V6,
       true,
       false,
       {" ", "  · Lookup destination...", "  · dual not found"},
       std::nullopt},
      {"fd00::5%",
       FamilyPreference::System,
       false,
       false,
       {" ", "  · Lookup destination...", "  · fd00::5% not found"},
       std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.host);
    PingSnapshot s = snap(1);
    s.host = row.host;
    s.family = row.family;
    s.dontFragment = row.dontFragment;
    s.resolver.lookupHost = [](const std::string& name) -> std::optional<HostEntry> {
      if (name == "dual") return HostEntry{"dual.example", {0x0A000005}, {}};
      return std::nullopt;
    };
    if (!row.scriptedV4Only) {
      s.resolver.lookupHostIn = [&](const std::string& name, FamilyPreference family) {
        return name == "dual" ? both(name, family) : std::nullopt;
      };
    }
    net.setResponder([&](const FakeSend& send) {
      return send.address.isV6() ? FakeEchoNetwork::failure(status::kTtlExpiredTransit, router)
                                 : FakeEchoNetwork::reply(send.address, 1);
    });
    const std::size_t before = net.sends().size();
    const auto lines = run(s);
    ASSERT_GE(lines.size(), row.head.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + row.head.size()), row.head);
    ASSERT_EQ(net.sends().size() - before, row.sentTo ? 1u : 0u);
    if (!row.sentTo) continue;
    EXPECT_EQ(net.sends().back().address, *row.sentTo);
    EXPECT_EQ(lines.at(row.head.size() + 1),
              row.sentTo->isV6() ? "        Reply from fd00:3::2: TTL expired transit "
                                 : "        Reply from 10.0.0.5: Bytes=32 Time=1ms TTL=64");
  }
}

}  // namespace
}  // namespace tarvo
