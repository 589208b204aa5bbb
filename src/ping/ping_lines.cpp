#include "ping/ping_lines.h"

#include "base/clock.h"
#include "engine/echo_status.h"

namespace tarvo {

std::string formatPingResultLine(const EchoResult& result, const IpAddress& destination) {
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
                                              const RoundTripStats& stats,
                                              std::int64_t durationSeconds) {
  return {
      "  \u00B7 Statistics for " + hostText + ":",
      "        Packets:     sent / received / lost = " + std::to_string(stats.sent) + " / " +
          std::to_string(stats.received) + " / " + std::to_string(stats.lost()) + "   (" +
          std::to_string(stats.lossPercent()) + "% Loss)",
      "        Time [ms]:   min / average / max  = " + std::to_string(stats.minimum) + " / " +
          std::to_string(stats.average()) + " / " + std::to_string(stats.maximum),
      "        Ping lasted [hh:mm:ss]  " + formatDuration(durationSeconds),
  };
}

}  // namespace tarvo
