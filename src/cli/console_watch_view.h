#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "base/round_trip_stats.h"
#include "watch/watch_view.h"

namespace tarvo::cli {

class JsonLines;

// The console as the monitor's view. Into a pipe or file every result is
// one line ("<caption>  <rtt> ms" or "<caption>  timeout"); on a terminal a
// table with one row per host is redrawn in place, with the recent results
// as a strip of coloured blocks; with `json` every result and every change
// of a host's state is one JSON record instead. Status texts and the hosts
// going down and up again ("hh:nn:ss 127.0.0.1 is down") go to standard
// error; under a table they go above it, so the table stays one block that
// is redrawn in place.
class ConsoleWatchView : public WatchView {
 public:
  explicit ConsoleWatchView(bool table, JsonLines* json = nullptr);

  // The user asked the monitor to stop: says so at once. Unlike the
  // monitor's own steps it may come from any thread.
  void stopping(const std::string& text);

  void begin() override {}
  void end() override;
  void setStatus(StatusPart part, const std::string& text) override;
  void prepareGraphs(std::size_t count) override;
  bool createGraph(std::size_t index, const std::string& caption) override;
  void setGraphCaption(std::size_t index, const std::string& caption) override;
  void addPoint(std::size_t index, const GraphPoint& point) override;
  void graphsReady(std::size_t count) override;
  void setGroupCaption(const std::string& caption) override;
  void setHostAddress(std::size_t index, const std::string& address) override;
  void hostStateChanged(const HostStateChange& change) override;
  void idle() override;
  void notice(const std::string& text) override;

  // One row of the table, without colours when `colour` is off.
  struct HostRow {
    std::string caption;
    RoundTripStats stats;
    std::deque<std::uint32_t> recent;  // colours, newest last
    std::string rawCaption;            // as the monitor gave it
    std::string address;               // the address pinged, empty while there is none
    HostState state = HostState::Unknown;
  };
  static std::string formatRow(const HostRow& row, std::size_t captionWidth, bool colour);

 private:
  // Callers hold mutex_.
  void lineAboveTable(const std::string& line);
  void redraw(bool force);
  void writeResult(std::size_t index, const GraphPoint& point);

  std::mutex mutex_;  // the monitor's thread and a Break's
  const bool table_;
  JsonLines* const json_;
  std::vector<HostRow> hosts_;
  std::size_t shown_ = 0;
  bool running_ = false;  // every worker started: the table may be drawn
  bool unflushed_ = false;
  std::size_t rowsDrawn_ = 0;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace tarvo::cli
