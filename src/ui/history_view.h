#pragma once

#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/history_store.h"
#include "ui/history_graph_model.h"
#include "watch/monitor_settings.h"

class QObject;

namespace tarvo::ui {

class HistoryLoader;
class SaveToFile;
class THistoryGraph;
struct WatchTab;

// The Watch tab's time range chooser and the graphs it shows from the
// history file in place of the strip charts. A read runs on a thread of its
// own; while the monitor runs the graphs are read again every few seconds,
// following the present unless the user has moved back in time.
class HistoryView {
 public:
  // What the view asks of the page around it.
  struct Hooks {
    std::function<std::vector<std::string>()> hosts;  // shown hosts; empty: all
    std::function<void(const std::string&)> notice;   // a problem, for the status line
    std::function<history::TimeUs()> now;             // the wall clock
    std::function<MonitorSettings()> settings;        // scale and down / up rule
  };
  static constexpr int kRefreshMs = 5000;
  // A zoom or drag is read again once the wheel or the pointer rests.
  static constexpr int kSettleMs = 250;

  HistoryView(WatchTab& tab, Hooks hooks);
  ~HistoryView();
  HistoryView(const HistoryView&) = delete;
  HistoryView& operator=(const HistoryView&) = delete;

  GraphRange range() const { return range_; }
  void setMonitorRunning(bool running);

  std::size_t graphCount() const { return graphs_.size(); }
  THistoryGraph* graph(std::size_t index) const;
  // A read is going on or due.
  bool busy() const;

 private:
  void choose(GraphRange range);
  void requestLoad();
  void loaded();
  void showView(history::TimeRange view);
  void clearGraphs();
  THistoryGraph* makeGraph(const history::HostKey& host, std::uint32_t maxMs);
  void exportGraph(THistoryGraph& graph);
  void exportHistory(const THistoryGraph& graph);

  WatchTab& tab_;
  Hooks hooks_;
  GraphRange range_ = GraphRange::Live;
  // The time shown; none: from the first result to now.
  std::optional<history::TimeRange> view_;
  bool following_ = true;  // the view ends now and moves on with the time
  bool running_ = false;   // the monitor
  std::vector<THistoryGraph*> graphs_;
  std::unique_ptr<history::HistoryStore> store_;  // the reader's, between reads
  HistoryLoader* loader_ = nullptr;               // the read going on, owned
  bool reloadDue_ = false;
  std::string lastProblem_;
  std::unique_ptr<QObject> context_;  // where a finished read is handed over
  QTimer refresh_;
  QTimer settle_;
  SaveToFile* pictureSaver_;
  SaveToFile* csvSaver_;
};

}  // namespace tarvo::ui
