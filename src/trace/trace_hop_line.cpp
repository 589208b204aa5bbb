#include "trace/trace_hop_line.h"

#include "engine/echo_status.h"
#include "trace/trace_hop_table.h"

namespace tarvo {

namespace {

std::uint32_t digitCount(std::uint32_t n) {
  std::uint32_t digits = 1;
  while (n >= 10) {
    n /= 10;
    ++digits;
  }
  return digits;
}

// How a probe's status changes the hop's status text and flags. Unlike the
// ping lines, a router's ordinary answer (time to live expired in transit)
// shows no text at all, and codes outside the table leave the text of the
// previous probe in place.
void applyStatus(std::uint32_t code, std::string& text, bool& reached, bool& error) {
  switch (code) {
    case status::kSuccess:
      text.clear();
      reached = true;
      return;
    case status::kTtlExpiredTransit:
      text.clear();
      return;
    case status::kOptionTooBig:
      text = "Option too big ";  // the trailing blank is part of the text users know
      return;
    case status::kDestNetUnreachable:
    case status::kDestHostUnreachable:
    case status::kDestProtocolUnreachable:
    case status::kDestPortUnreachable:
    case status::kHardwareError:
    case status::kBadRoute:
    case status::kBadDestination:
      error = true;
      break;
    default:
      break;
  }
  if (const char* tableText = echoStatusText(code)) text = tableText;
}

}  // namespace

std::string hopPadding(std::uint32_t number) {
  const std::uint32_t digits = digitCount(number);
  return digits >= 7 ? std::string() : std::string((7 - digits) * 2, ' ');
}

std::string roundTripColumn(std::uint32_t roundTripMs) {
  return hopPadding(roundTripMs) + std::to_string(roundTripMs) + "ms";
}

std::string hopMessageLine(std::uint32_t hop, const std::string& message) {
  return hopPadding(hop) + message;
}

HopLineBuilder::HopLineBuilder(std::uint32_t hop, const IpAddress& destination)
    : destination_(destination), line_(hopPadding(hop) + std::to_string(hop) + "  ") {}

void HopLineBuilder::addProbe(const EchoResult& result) {
  const ReplySource source = formatReplySource(result, destination_);
  bool probeAnswered = source.fromOther;
  applyStatus(result.status, currentStatus_, reached_, error_);
  currentCode_ = result.status;
  if (result.status == status::kSuccess) probeAnswered = true;
  if (probeAnswered) {
    hopAnswered_ = true;
    line_ += roundTripColumn(result.roundTripMs);
    lastAnswerText_ = source.text;
    lastAnswer_ = result.replyAddress;
    lastAnsweredStatus_ = currentStatus_;
    lastAnsweredCode_ = result.status;
    roundTripsUs_.push_back(roundTripMicros(result));
  } else {
    line_ += kStarColumn;
    roundTripsUs_.push_back(std::nullopt);
  }
}

void HopLineBuilder::finish(const std::string& name) {
  if (hopAnswered_) {
    line_ += "      ";
    if (name.empty() || name == lastAnswerText_) {
      line_ += lastAnswerText_;
    } else {
      line_ += name + "  [" + lastAnswerText_ + "]";
    }
    line_ += "      " + lastAnsweredStatus_;
  } else {
    line_ += "      " + currentStatus_;
  }
}

std::uint32_t HopLineBuilder::finalCode() const {
  if (error_) return hopcode::kEndingError;
  if (reached_) return hopcode::kReached;
  return hopcode::kFinished;
}

}  // namespace tarvo
