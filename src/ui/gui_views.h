#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/run_view.h"
#include "range/range_view.h"
#include "ui/gui_hand_off.h"
#include "watch/watch_view.h"

namespace tarvo::ui {

class MainWindow;
class WatchPage;

// How the window shows a run's steps:
// - begin: the run's start button reads "&Break"; the exit buttons, the
//   page's "&Clear" and the switches that must not change during a run are
//   disabled.
// - end: the start button reads as before and is enabled again, the run's
//   closing separator line is appended, the disabled controls come back once
//   no other run is active, and the focus returns to the page's host field
//   when that page is showing.
// - lines: the page's text area.
// - status: what the run is doing in the left status bar panel, what it
//   counted in the right one.
// - hosts: a reached host joins the Ping page's and the Traceroute page's
//   reached lists, one not reached the Traceroute page's other list; the
//   picked first host is the chosen entry of its lists; forgotten hosts
//   empty all three.

// The single-host ping's view: each step is one blocking hand-off to the
// window thread.
class GuiPingView : public RunView {
 public:
  GuiPingView(MainWindow& window, std::shared_ptr<GuiHandOff> handOff)
      : window_(window), handOff_(std::move(handOff)) {}

  void begin() override;
  void end() override;
  void appendLine(const std::string& line) override;
  void replaceLastLine(const std::string& line) override;
  void setStatus(StatusPart part, const std::string& text) override;
  void hostResult(const std::string& address, bool reached) override;
  void pickFirstHost(bool reached) override;
  void forgetHosts() override;

 private:
  MainWindow& window_;
  std::shared_ptr<GuiHandOff> handOff_;
};

// The range controller's view. A range ping produces several steps per
// address; handing each over on its own costs a round trip between the
// threads per step. Steps that only add something (lines, host list
// entries, status texts) are therefore copied and collected, and handed
// over together, in order, as one blocking step: when the controller is
// about to wait (idle), before any other step, and every kBatch steps. The
// window still shows everything in the order it was produced. The progress
// bar follows with each handing over, never as a step of its own.
class GuiRangeView : public RangeView {
 public:
  GuiRangeView(MainWindow& window, std::shared_ptr<GuiHandOff> handOff)
      : window_(window), handOff_(std::move(handOff)) {}

  void begin() override;
  void end() override;
  void appendLine(const std::string& line) override;
  void replaceLastLine(const std::string& line) override;
  void setStatus(StatusPart part, const std::string& text) override;
  void hostResult(const std::string& address, bool reached) override;
  void pickFirstHost(bool reached) override;
  void forgetHosts() override;
  void idle() override;
  void progress(std::uint32_t done, std::uint32_t total) override;

  static constexpr std::size_t kBatch = 256;

 private:
  // A collected step: a line to append, or anything else.
  struct Step {
    std::function<void()> run;  // empty for a line
    std::string line;
    bool touchesText = false;  // must see the lines collected before it
  };
  static Step lineStep(std::string line) { return Step{nullptr, std::move(line), false}; }
  static Step otherStep(std::function<void()> run, bool touchesText = false) {
    return Step{std::move(run), std::string(), touchesText};
  }
  void collect(Step step);
  // Hands the collected steps over, then `step` (if any), in one hand-off.
  void flush(const std::function<void()>& step = nullptr);

  MainWindow& window_;
  std::shared_ptr<GuiHandOff> handOff_;
  std::vector<Step> pending_;  // used by the controller's thread only
  void collectProgress();
  std::chrono::steady_clock::time_point start_{};
  std::uint32_t done_ = 0;  // as last told, of total_
  std::uint32_t total_ = 0;
  std::optional<std::uint32_t> shownDone_;  // as last handed to the bar
};

// The traceroute controller's view.
class GuiTraceView : public RunView {
 public:
  GuiTraceView(MainWindow& window, std::shared_ptr<GuiHandOff> handOff)
      : window_(window), handOff_(std::move(handOff)) {}

  void begin() override;
  void end() override;
  void appendLine(const std::string& line) override;
  void replaceLastLine(const std::string& line) override;

 private:
  MainWindow& window_;
  std::shared_ptr<GuiHandOff> handOff_;
};

// The watch monitor's view: every step, each point too, is one blocking
// hand-off to the Watch page; the graphs' repaints are left to the toolkit,
// which merges them.
class GuiWatchView : public WatchView {
 public:
  explicit GuiWatchView(std::shared_ptr<GuiHandOff> handOff) : handOff_(std::move(handOff)) {}
  // The page the steps go to; set once, before any run.
  void attach(WatchPage* page) { page_ = page; }

  void begin() override {}
  void end() override;
  void setStatus(StatusPart part, const std::string& text) override;
  void prepareGraphs(std::size_t count) override;
  bool createGraph(std::size_t index, const std::string& caption) override;
  void deleteGraph(std::size_t index) override;
  void graphsReady(std::size_t count) override;
  void setGraphCaption(std::size_t index, const std::string& caption) override;
  void addPoint(std::size_t index, const GraphPoint& point) override;
  void setGroupCaption(const std::string& caption) override;
  void hostStateChanged(const HostStateChange& change) override;
  void freeGraphs() override;

 private:
  std::shared_ptr<GuiHandOff> handOff_;
  WatchPage* page_ = nullptr;
};

// All views of one window. They may outlive the window (see ~MainWindow);
// after the window closes their hand-offs no longer run any step.
struct WindowViews {
  WindowViews(MainWindow& window, const std::shared_ptr<GuiHandOff>& handOff)
      : ping(window, handOff), range(window, handOff), trace(window, handOff), watch(handOff) {}
  GuiPingView ping;
  GuiRangeView range;
  GuiTraceView trace;
  GuiWatchView watch;
};

}  // namespace tarvo::ui
