// Real traces through the test network (scripts/testnet.sh); run inside the
// prober namespace by scripts/in-testnet.sh.
#include <gtest/gtest.h>

#include <regex>

#include "engine/echo_service.h"
#include "recording_trace_view.h"
#include "trace/trace_controller.h"

namespace tarvo {
namespace {

using testing::RecordingTraceView;

// A probe column: the round trip right-aligned by its digits, and "ms".
const std::string kRttColumn =
    "( {12}[0-9]| {10}[0-9]{2}| {8}[0-9]{3}| {6}[0-9]{4}| {4}[0-9]{5})ms";

std::string escaped(const std::string& text) {
  return std::regex_replace(text, std::regex(R"([.\[\]])"), R"(\$&)");
}

// A hop answered three times by who ("name  [address]" or the address).
std::string answeredHop(int hop, const std::string& who, const std::string& status = "") {
  return std::string(hop < 10 ? 12 : 10, ' ') + std::to_string(hop) + "  (" + kRttColumn + "){3}" +
         " {6}" + escaped(who) + " {6}" + escaped(status);
}

std::string silentHop(int hop) {
  return std::string(12, ' ') + std::to_string(hop) + "  ( {13}\\* {4}){3} {6}Request timed out";
}

struct NetTrace {
  RecordingTraceView view;
  bool reached = false;

  std::vector<std::string> run(const std::string& host, bool resolve, std::uint32_t waitMs = 1000) {
    TraceSnapshot snap;
    snap.host = host;
    snap.resolveNames = resolve;
    snap.waitMs = waitMs;
    snap.echoFactory = icmpEchoServiceFactory();
    TCtrlTrace trace(snap, view);
    EXPECT_TRUE(trace.start());
    trace.waitFor();
    reached = trace.destinationReached();
    return view.lines();
  }
};

// Checks the header and the hop lines between the start and end times.
void expectTrace(const std::vector<std::string>& lines, const std::string& header,
                 const std::vector<std::string>& hopPatterns) {
  ASSERT_EQ(lines.size(), hopPatterns.size() + 6) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[1], header);
  for (std::size_t i = 0; i < hopPatterns.size(); ++i) {
    EXPECT_TRUE(std::regex_match(lines[3 + i], std::regex(hopPatterns[i])))
        << "line: [" << lines[3 + i] << "]\npattern: " << hopPatterns[i];
  }
  EXPECT_EQ(lines.back(), kEndOfTraceLine);
}

class TraceNetns : public ::testing::Test {
 protected:
  void SetUp() override {
    const NetworkCheck check = runNetworkCheck();
    ASSERT_TRUE(check.networkReady) << check.message;
  }
};

TEST_F(TraceNetns, RoutersByAddress) {
  NetTrace t;
  const auto lines = t.run("198.18.3.2", false);
  expectTrace(
      lines, "  · Traceroute to 198.18.3.2 over max 30 hops",
      {answeredHop(1, "198.18.1.2"), answeredHop(2, "198.18.2.2"), answeredHop(3, "198.18.3.2")});
  EXPECT_TRUE(t.reached);
}

TEST_F(TraceNetns, RoutersAndTargetByName) {
  NetTrace t;
  const auto lines = t.run("target.tarvo.test", true);
  expectTrace(lines, "  · Traceroute to target.tarvo.test [198.18.10.10] over max 30 hops",
              {answeredHop(1, "router1.tarvo.test  [198.18.1.2]"),
               answeredHop(2, "router2.tarvo.test  [198.18.2.2]"),
               answeredHop(3, "router3.tarvo.test  [198.18.3.2]"),
               answeredHop(4, "target.tarvo.test  [198.18.10.10]")});
  EXPECT_TRUE(t.reached);
}

TEST_F(TraceNetns, SilentRouterShowsStarsAndTheTraceGoesOn) {
  NetTrace t;
  const auto lines = t.run("198.18.11.10", false, 300);
  expectTrace(lines, "  · Traceroute to 198.18.11.10 over max 30 hops",
              {answeredHop(1, "198.18.1.2"), answeredHop(2, "198.18.2.2"),
               answeredHop(3, "198.18.3.2"), silentHop(4), answeredHop(5, "198.18.11.10")});
  EXPECT_TRUE(t.reached);
}

TEST_F(TraceNetns, UnreachableSubnetEndsTheTrace) {
  NetTrace t;
  const auto lines = t.run("198.18.20.5", false);
  expectTrace(lines, "  · Traceroute to 198.18.20.5 over max 30 hops",
              {answeredHop(1, "198.18.1.2"), answeredHop(2, "198.18.2.2"),
               answeredHop(3, "198.18.2.2", "Destination host unreachable")});
  EXPECT_FALSE(t.reached);
}

}  // namespace
}  // namespace tarvo
