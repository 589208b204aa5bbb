#include <gtest/gtest.h>

#include <tuple>

#include "ping/ping_settings.h"
#include "range/range_settings.h"
#include "settings/settings.h"
#include "trace/trace_settings.h"

namespace tarvo {
namespace {

// What a hand-edited file can leave in the model after the load: each run
// holds its numbers to their field rules and takes only its own options.
TEST(SnapshotFromSettings, NumbersAreHeldToTheirFieldRulesAndOptionsReachTheirRun) {
  settings::Settings s;
  s.hostText = "h";
  s.traceHost = "t";
  s.pingCount = 4294967295u;  // "-1" stored
  s.rangeWaitMs = 70000;
  s.maxHops = 300;
  s.ttl = 7;
  s.tos = 4;
  s.dontFragment = s.routerAlert = true;
  s.dontPingNet = s.showReached = false;
  s.breakSoon = true;
  s.addressFamily = 2;  // IPv6 first

  // Router alert and don't fragment exclude each other.
  const PingSnapshot p = pingSnapshotFrom(s);
  EXPECT_EQ(std::tie(p.host, p.count, p.ttl, p.tos, p.dontFragment, p.routerAlert, p.family),
            std::make_tuple("h", 4u, 7, 4, true, false, FamilyPreference::PreferV6));
  // The single-host options (TTL, type of service) never reach a range.
  const RangeSnapshot r = rangeSnapshotFrom(s, RangeInput{{10, 0, 0, 1}, {10, 0, 0, 9}});
  EXPECT_EQ(std::tie(r.waitMs, r.ttl, r.tos, r.skipNetwork, r.stopSoonOnBreak, r.showReached),
            std::make_tuple(65535u, 60, 0, false, true, false));
  const TraceSnapshot t = traceSnapshotFrom(s);
  EXPECT_EQ(std::tie(t.host, t.maxHops, t.family),
            std::make_tuple("t", 255u, FamilyPreference::PreferV6));
}

}  // namespace
}  // namespace tarvo
