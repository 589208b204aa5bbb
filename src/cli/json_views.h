#pragma once

#include <string>
#include <vector>

#include "cli/json_lines.h"
#include "ping/ping_view.h"
#include "range/range_view.h"
#include "trace/trace_view.h"

namespace tarvo::cli {

// A run's view under `--json`: standard output carries only the records
// the run hands over as data; its lines are not written there. The lines a
// run shows before its first record are kept, and when it ends without a
// summary (a host not found, no echo socket) they go to standard error, as
// that is where the reason is. The status texts go to standard error at the
// end, as in the text output.
class JsonRunView : public RunView {
 public:
  explicit JsonRunView(JsonLines& out) : out_(out) {}

  void begin() override {}
  void end() override;
  void appendLine(const std::string& line) override;
  void replaceLastLine(const std::string& line) override;
  void setStatus(StatusPart part, const std::string& text) override;

 protected:
  void write(const JsonObject& record);
  void writeSummary(const JsonObject& record);

 private:
  static constexpr std::size_t kHeldLines = 16;

  JsonLines& out_;
  bool recording_ = true;  // no record yet: lines are kept
  bool summarized_ = false;
  std::vector<std::string> held_;
  std::string doingStatus_;
  std::string countedStatus_;
};

class JsonPingView : public JsonRunView, public PingResults {
 public:
  using JsonRunView::JsonRunView;

  void request(std::uint32_t sequence, const IpAddress& destination,
               const EchoResult& result) override;
  void summary(const std::string& host, const RoundTripStats& stats, TimePoint start,
               TimePoint end) override;
};

class JsonRangeView : public JsonRunView, public RangeResults {
 public:
  using JsonRunView::JsonRunView;

  void address(const std::string& address, const RangeOutcome& outcome) override;
  void summary(const RangeCounts& counts, TimePoint start, TimePoint end) override;
};

class JsonTraceView : public JsonRunView, public TraceResults {
 public:
  using JsonRunView::JsonRunView;

  void hop(std::uint32_t hop, std::uint32_t code, const TraceHopOutcome& outcome) override;
  void summary(const std::string& host, const IpAddress& destination, std::uint32_t hops,
               bool reached, TimePoint start, TimePoint end) override;
};

// Lines that say why a command could not run, on standard error.
void writeMessages(const std::vector<std::string>& lines);

}  // namespace tarvo::cli
