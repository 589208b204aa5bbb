#include "cli/json_views.h"

#include <cstdio>

#include "cli/console_text.h"
#include "cli/json_records.h"

namespace tarvo::cli {

void writeMessages(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (line.find_first_not_of(' ') == std::string::npos) continue;
    const std::string shown = hasControlChars(line) ? escapeControlChars(line) : line;
    std::fprintf(stderr, "%s\n", shown.c_str());
  }
  std::fflush(stderr);
}

void JsonRunView::end() {
  if (!summarized_) writeMessages(held_);
  held_.clear();
  for (const std::string* text : {&doingStatus_, &countedStatus_}) {
    if (!text->empty()) std::fprintf(stderr, "%s\n", text->c_str());
  }
  std::fflush(stderr);
}

void JsonRunView::appendLine(const std::string& line) {
  if (recording_ && held_.size() < kHeldLines) held_.push_back(line);
}

void JsonRunView::replaceLastLine(const std::string& line) {
  if (!recording_) return;
  if (held_.empty()) {
    held_.push_back(line);
  } else {
    held_.back() = line;
  }
}

void JsonRunView::setStatus(StatusPart part, const std::string& text) {
  if (part != StatusPart::Counted) doingStatus_ = text;
  if (part != StatusPart::Doing) countedStatus_ = text;
}

void JsonRunView::write(const JsonObject& record) {
  recording_ = false;
  held_.clear();
  out_.write(record);
}

void JsonRunView::writeSummary(const JsonObject& record) {
  write(record);
  summarized_ = true;
}

void JsonPingView::request(std::uint32_t sequence, const IpAddress&, const EchoResult& result) {
  write(pingRecord(sequence, result));
}

void JsonPingView::summary(const std::string& host, const RoundTripStats& stats, TimePoint start,
                           TimePoint end) {
  writeSummary(pingSummaryRecord(host, stats, start, end));
}

void JsonRangeView::address(const std::string& address, const RangeOutcome& outcome) {
  write(rangeRecord(address, outcome));
}

void JsonRangeView::summary(const RangeCounts& counts, TimePoint start, TimePoint end) {
  writeSummary(rangeSummaryRecord(counts, start, end));
}

void JsonTraceView::hop(std::uint32_t hop, std::uint32_t code, const TraceHopOutcome& outcome) {
  write(hopRecord(hop, code, outcome));
}

void JsonTraceView::summary(const std::string& host, const IpAddress& destination,
                            std::uint32_t hops, bool reached, TimePoint start, TimePoint end) {
  writeSummary(traceSummaryRecord(host, destination, hops, reached, start, end));
}

}  // namespace tarvo::cli
