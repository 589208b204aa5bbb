#include "watch/host_state.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvo {
namespace {

// Feeds "R" (reply) and "T" (time-out) results; lists every change as
// "<from>><to>@<result number>".
std::string changesOf(HostStateTracker& tracker, const std::string& results) {
  std::string out;
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (const auto c = tracker.feed(results[i] == 'R')) {
      out += std::string(out.empty() ? "" : " ") + hostStateName(c->from) + ">" +
             hostStateName(c->to) + "@" + std::to_string(i + 1);
    }
  }
  return out;
}

TEST(HostState, DefaultThresholdsAndFlappingBelowThem) {
  HostStateTracker t;
  EXPECT_EQ(t.state(), HostState::Unknown);
  EXPECT_EQ(changesOf(t, "RTTRTTRTTTTRT"), "unknown>up@1 up>down@10 down>up@12");
  EXPECT_EQ(t.state(), HostState::Up);
}

TEST(HostState, UpAgainNeedsConsecutiveReplies) {
  HostStateTracker t({2, 3});
  EXPECT_EQ(changesOf(t, "TTRRTRRTRRR"), "unknown>down@2 down>up@11");
}

TEST(HostState, ThresholdsBelowOneActAsOne) {
  HostStateTracker t({0, -4});
  EXPECT_EQ(changesOf(t, "TRT"), "unknown>down@1 down>up@2 up>down@3");
}

}  // namespace
}  // namespace tarvo
