#include "ping/ping_lines.h"

#include "base/clock.h"
#include "engine/echo_status.h"

namespace tarvo {

void PingStatistics::addReply(std::uint32_t rttMs) {
  ++received;
  rttSum += rttMs;
  if (rttMs < rttMin) rttMin = rttMs;
  if (rttMs > rttMax) rttMax = rttMs;
}

std::string formatPingResultLine(const EchoResult& result, Ipv4Address destination) {
  const ReplySource source = formatReplySource(result, destination);
  if (result.status == status::kSuccess) {
    return "        Reply from " + source.text + ": Bytes=" + std::to_string(result.replyDataSize) +
           " Time=" + std::to_string(result.roundTripMs) +
           "ms TTL=" + std::to_string(result.replyTtl);
  }
  std::string line = source.fromOther ? "        Reply from " + source.text + ":" : "       ";
  if (const char* text = echoStatusText(result.status)) {
    return line + " " + text + " ";
  }
  return "        Error: ICMP Status = " + std::to_string(static_cast<std::int32_t>(result.status));
}

std::vector<std::string> formatPingStatistics(const std::string& hostText,
                                              const PingStatistics& stats,
                                              std::int64_t durationSeconds) {
  const std::uint32_t lost = stats.sent - stats.received;
  // Widened so a long endless run cannot overflow lost * 100.
  const std::uint64_t percent =
      stats.sent == 0 ? 0 : static_cast<std::uint64_t>(lost) * 100 / stats.sent;
  const std::uint32_t min = stats.rttMin == 65536 ? 0 : stats.rttMin;
  const std::uint64_t avg = stats.received > 0 ? stats.rttSum / stats.received : 0;
  return {
      "  \u00B7 Statistics for " + hostText + ":",
      "        Packets:     sent / received / lost = " + std::to_string(stats.sent) + " / " +
          std::to_string(stats.received) + " / " + std::to_string(lost) + "   (" +
          std::to_string(percent) + "% Loss)",
      "        Time [ms]:   min / average / max  = " + std::to_string(min) + " / " +
          std::to_string(avg) + " / " + std::to_string(stats.rttMax),
      "        Ping lasted [hh:mm:ss]  " + formatDuration(durationSeconds),
  };
}

}  // namespace tarvo
