#include "watch/host_state.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvo {
namespace {

// Results are "R" (reply) and "T" (time-out); each change reads
// "<from>><to>@<result number>".
TEST(HostState, ChangesComeOnlyAfterTheirThresholdsInARow) {
  const struct {
    StateThresholds thresholds;
    std::string results, changes;
  } rows[] = {
      {{}, "RTTRTTRTTTTRT", "unknown>up@1 up>down@10 down>up@12"},  // flapping below them
      {{2, 3}, "TTRRTRRTRRR", "unknown>down@2 down>up@11"},
      {{0, -4}, "TRT", "unknown>down@1 down>up@2 up>down@3"},  // below one they act as one
  };
  for (const auto& row : rows) {
    HostStateTracker tracker(row.thresholds);
    std::string changes;
    for (std::size_t i = 0; i < row.results.size(); ++i) {
      if (const auto c = tracker.feed(row.results[i] == 'R')) {
        changes += std::string(changes.empty() ? "" : " ") + hostStateName(c->from) + ">" +
                   hostStateName(c->to) + "@" + std::to_string(i + 1);
      }
    }
    EXPECT_EQ(changes, row.changes) << row.results;
  }
}

}  // namespace
}  // namespace tarvo
