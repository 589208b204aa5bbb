#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "metrics/host_metrics.h"

namespace tarvo::metrics {

// The two text formats a scraper may ask for: Prometheus' text format
// 0.0.4 and OpenMetrics 1.0.0.
enum class ExpositionFormat { Text, OpenMetrics };

// The format an Accept header asks for: OpenMetrics where it is accepted at
// least as well as plain text, the plain text otherwise (no header too).
ExpositionFormat formatForAccept(std::string_view accept);

// The Content-Type of a scrape's answer in that format.
const char* contentType(ExpositionFormat format);

// A scrape's text: per host its state, round-trip histogram and counters,
// labelled with its item, address and caption; then the build's version.
std::string exposition(const std::vector<HostMetrics>& hosts, ExpositionFormat format,
                       std::string_view version);

}  // namespace tarvo::metrics
