#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvo {

// The counters of one range run.
struct RangeCounts {
  std::uint32_t total = 0;
  std::uint32_t started = 0;    // slots whose worker has started
  std::uint32_t collected = 0;  // slots whose result has been taken
  std::uint32_t reached = 0;
  std::uint32_t notReached = 0;
  std::uint32_t network = 0;    // network addresses not pinged
  std::uint32_t broadcast = 0;  // broadcast addresses not pinged
};

// The seven lines of the statistics block. Each number is padded in front
// with ".." once for every digit it has fewer than five.
std::vector<std::string> rangeStatisticsLines(const RangeCounts& counts);

// Closes the statistics of an IPv6 range, whose two address counts above
// are always zero.
inline constexpr const char* kRange6NoSkipLine =
    "  IPv6: no network or broadcast address is skipped.";

// Status texts of a run.
std::string reachedSoFarText(std::uint32_t reached);
std::string rangeDoneText(const RangeCounts& counts);
std::string reachedOfTotalText(const RangeCounts& counts);

}  // namespace tarvo
