#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "base/run_view.h"
#include "range/range_report.h"
#include "range/range_slot_table.h"

namespace tarvo {

// The separator the end of a range ping appends.
inline constexpr const char* kEndOfRangePingLine =
    "    ------------------------ End of Range Ping -----------------------";

// A range run's view that also follows how far the run is. The controller
// takes any RunView; one of this kind is told the progress as well.
class RangeView : public RunView {
 public:
  // `done` of the run's `total` addresses have their result: once with 0
  // when the addresses are known, then after every address. Called often
  // (for every address of a sweep), so a front end shows it only now and
  // then; without a hand-off of its own.
  virtual void progress(std::uint32_t /*done*/, std::uint32_t /*total*/) {}
};

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
