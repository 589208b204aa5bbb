#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "base/run_view.h"
#include "watch/host_state.h"
#include "watch/watch_log.h"

namespace tarvo {

// A host went up or down (see HostStateTracker).
struct HostStateChange {
  std::size_t index = 0;
  HostState state = HostState::Unknown;  // Up or Down
  bool notice = false;                   // false for a host's first "up"
  std::chrono::system_clock::time_point time;
  std::string address;  // what the host is pinged at, or its text while unresolved
};

// What the monitor shows its front end: one graph per host with a caption
// and a stream of points, the status line (its counted part), the
// monitor's group caption, the hosts going down and up, and the running and stopped states (begin
// and end). As for every run view, each call is a blocking hand-off made by the controller's thread
// alone. The monitor has no text area.
class WatchView : public RunView {
 public:
  void appendLine(const std::string&) override {}
  void replaceLastLine(const std::string&) override {}

  // Room for this many graphs, before the first is created.
  virtual void prepareGraphs(std::size_t /*count*/) {}
  // Creates graph `index` with the caption; false when it cannot be had.
  virtual bool createGraph(std::size_t index, const std::string& caption) = 0;
  virtual void deleteGraph(std::size_t /*index*/) {}
  // The first `count` graphs are the monitor's: the area is sized for them.
  virtual void graphsReady(std::size_t /*count*/) {}
  virtual void setGraphCaption(std::size_t index, const std::string& caption) = 0;
  // Adds one point to graph `index` and shows it.
  virtual void addPoint(std::size_t index, const GraphPoint& point) = 0;
  virtual void setGroupCaption(const std::string& /*caption*/) {}
  // What host `index` is pinged at: its item text, or the address its name
  // was resolved to. Told before the host's first point and on each change.
  virtual void setHostAddress(std::size_t /*index*/, const std::string& /*address*/) {}
  // Host `change.index` changed its state with the result that follows.
  virtual void hostStateChanged(const HostStateChange& /*change*/) {}
  // A problem the user must hear of (a log file that cannot be written, a
  // host that cannot be watched): the status line on the window, standard
  // error on the console.
  virtual void notice(const std::string& text) { setStatus(StatusPart::Counted, text); }
  // Every graph goes; the next call is end().
  virtual void freeGraphs() {}
};

// Group captions of the monitor area.
inline constexpr const char* kMonitorStartingCaption =
    " Monitor (starting... please check the status bar) ";
inline constexpr const char* kMonitorCaption = " Monitor ";

}  // namespace tarvo
