#pragma once

#include <span>
#include <vector>

#include "history/history_types.h"
#include "watch/host_state.h"

namespace tarvo::history {

// The statistics of a host's results, in time order, within one range.
// The 95th percentile is the nearest-rank one of the replies' round trips.
// Outages come from feeding the results to the monitor's down / up rule,
// starting from an unknown state at the range's start.
Summary summarize(const HostKey& host, std::span<const Result> results, StateThresholds thresholds);

// The outages of results in time order (see Outage).
std::vector<Outage> outagesOf(std::span<const Result> results, StateThresholds thresholds);

// The minute rows of results in time order, one per minute that holds any.
std::vector<Minute> minutesOf(std::span<const Result> results);

// The statistics of a range that is kept only as minutes: counts, extremes
// and the deviation are exact; the 95th percentile is the count-weighted
// nearest-rank one of the minutes' own; a minute in which every request
// was lost counts as a minute down, so outages are whole minutes.
Summary summarizeMinutes(const HostKey& host, std::span<const Minute> minutes);

// The outages of minutes in time order: a minute without any reply is a
// minute down.
std::vector<Outage> minuteOutagesOf(std::span<const Minute> minutes);

// Nearest-rank percentile (0 < p <= 100) of values it may reorder; 0 when empty.
std::uint64_t percentile(std::vector<std::uint64_t>& values, double p);

}  // namespace tarvo::history
