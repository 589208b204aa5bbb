#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "base/run_view.h"
#include "trace/trace_hop_table.h"

namespace tarvo {

// The separator the end of a traceroute appends.
inline constexpr const char* kEndOfTraceLine =
    "    ------------------------End of Traceroute------------------";

// A traceroute's results as data, for a front end that reports them that
// way rather than as lines (the console's JSON output). The controller's
// thread calls it beside the view's steps; the window has none.
class TraceResults {
 public:
  using TimePoint = std::chrono::system_clock::time_point;

  virtual ~TraceResults() = default;
  // A finished hop, in hop order; code is 202 (an answer that ends the
  // trace), 203 (the destination answered) or 206.
  virtual void hop(std::uint32_t hop, std::uint32_t code, const TraceHopOutcome& outcome) = 0;
  // After the run's hops, also after a Break: how many hops were shown.
  virtual void summary(const std::string& host, const IpAddress& destination, std::uint32_t hops,
                       bool reached, TimePoint start, TimePoint end) = 0;
};

}  // namespace tarvo
