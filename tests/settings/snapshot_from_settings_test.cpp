#include <gtest/gtest.h>

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
  s.pingDataBytes = 5;
  s.rangeCount = 0;
  s.rangeWaitMs = 70000;
  s.maxHops = 300;
  s.traceWait = 3;
  s.netMaskBits = 40;
  s.ttl = 7;
  s.tos = 4;
  s.dontFragment = s.routerAlert = true;
  s.dontPingNet = s.showReached = false;
  s.breakSoon = s.burstMode = true;

  PingSnapshot ping = pingSnapshotFrom(s);
  EXPECT_EQ(ping.host, "h");
  EXPECT_EQ(ping.count, 4u);
  EXPECT_EQ(ping.dataSize, 18u);
  EXPECT_EQ(ping.ttl, 7u);
  EXPECT_EQ(ping.tos, 4u);
  EXPECT_TRUE(ping.dontFragment);
  EXPECT_FALSE(ping.routerAlert);  // the two exclude each other

  RangeSnapshot range = rangeSnapshotFrom(s, RangeInput{{10, 0, 0, 1}, {10, 0, 0, 9}});
  EXPECT_EQ(range.count, 1u);
  EXPECT_EQ(range.waitMs, 65535u);
  EXPECT_EQ(range.netMaskBits, 31);
  EXPECT_EQ(range.ttl, 60u);  // the single-host options never reach a range
  EXPECT_EQ(range.tos, 0u);
  EXPECT_FALSE(range.skipNetwork);
  EXPECT_TRUE(range.skipBroadcast);
  EXPECT_TRUE(range.stopSoonOnBreak);
  EXPECT_TRUE(range.burstMode);
  EXPECT_FALSE(range.showReached);
  EXPECT_TRUE(range.showNotReached);

  TraceSnapshot trace = traceSnapshotFrom(s);
  EXPECT_EQ(trace.host, "t");
  EXPECT_EQ(trace.maxHops, 255u);
  EXPECT_EQ(trace.waitMs, 10u);
}

}  // namespace
}  // namespace tarvo
