#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/echo_types.h"

namespace tarvo {

// Running totals of a single-host ping.
struct PingStatistics {
  std::uint32_t sent = 0;
  std::uint32_t received = 0;
  // Kept wide: an endless ping must not wrap the sum of its round trips.
  std::uint64_t rttSum = 0;
  std::uint32_t rttMin = 65536;  // 65536 = no reply yet
  std::uint32_t rttMax = 0;

  void addReply(std::uint32_t rttMs);
};

// The line one request produces: the reply line, a status text with its
// blanks (and "Reply from <router>:" when someone else reported), or the
// numeric form for codes without a text.
std::string formatPingResultLine(const EchoResult& result, Ipv4Address destination);

// "  · Statistics for ..." and the three lines after it.
std::vector<std::string> formatPingStatistics(const std::string& hostText,
                                              const PingStatistics& stats,
                                              std::int64_t durationSeconds);

}  // namespace tarvo
