#pragma once

#include <chrono>
#include <string>

#include "base/run_view.h"
#include "range/range_report.h"
#include "range/range_slot_table.h"

namespace tarvo {

// The separator the end of a range ping appends.
inline constexpr const char* kEndOfRangePingLine =
    "    ------------------------ End of Range Ping -----------------------";

// A range ping's results as data, for a front end that reports them that
// way rather than as lines (the console's JSON output). The controller's
// thread calls it beside the view's steps; the window has none.
class RangeResults {
 public:
  using TimePoint = std::chrono::system_clock::time_point;

  virtual ~RangeResults() = default;
  // One address, in address order, whenever its line is shown.
  virtual void address(const std::string& address, const RangeOutcome& outcome) = 0;
  // The run's counts with its closing report, also after a Break.
  virtual void summary(const RangeCounts& counts, TimePoint start, TimePoint end) = 0;
};

}  // namespace tarvo
