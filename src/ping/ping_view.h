#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "base/round_trip_stats.h"
#include "base/run_view.h"
#include "engine/echo_types.h"

namespace tarvo {

// The separator the end of a single-host ping appends.
inline constexpr const char* kEndOfPingLine =
    "    ------------------------End of Ping------------------------";

// A single-host ping's results as data, for a front end that reports them
// that way rather than as lines (the console's JSON output). The run's
// thread calls it beside the view's steps; the window has none.
class PingResults {
 public:
  using TimePoint = std::chrono::system_clock::time_point;

  virtual ~PingResults() = default;
  // One request's result; sequence counts the requests from 1.
  virtual void request(std::uint32_t sequence, const IpAddress& destination,
                       const EchoResult& result) = 0;
  // The run's totals after its last request, also after a Break.
  virtual void summary(const std::string& host, const RoundTripStats& stats, TimePoint start,
                       TimePoint end) = 0;
};

}  // namespace tarvo
