#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/round_trip_stats.h"
#include "engine/echo_types.h"

namespace tarvo {

// The line one request produces: the reply line, a status text with its
// blanks (and "Reply from <router>:" when someone else reported), or the
// numeric form for codes without a text.
std::string formatPingResultLine(const EchoResult& result, const IpAddress& destination);

// "  · Statistics for ..." and the three lines after it.
std::vector<std::string> formatPingStatistics(const std::string& hostText,
                                              const RoundTripStats& stats,
                                              std::int64_t durationSeconds);

}  // namespace tarvo
