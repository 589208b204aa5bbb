#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/thread_base.h"
#include "history/history_store.h"
#include "ui/history_graph.h"
#include "ui/history_graph_model.h"
#include "watch/host_state.h"

namespace tarvo::ui {

// What the graphs ask of the history file.
struct HistoryQuery {
  std::vector<std::string> hosts;          // items or addresses; empty: every host
  std::optional<history::TimeRange> view;  // none: from the first result on
  history::TimeUs now = 0;                 // the end of a view from the first result
  StateThresholds thresholds;              // the down / up rule of the outages
  std::size_t mostSamples = 4096;          // per host; more are merged
};

// One host's part of the answer.
struct HostHistory {
  history::HostKey host;
  std::vector<HistorySample> samples;
  HostStatistics statistics;
};

// The answer: the view it was read for, and for each host its samples
// (per minute for long views) and statistics. `problem` says why the file
// could not be read.
struct HistoryLoad {
  history::TimeRange view{};
  bool perMinute = false;
  std::vector<HostHistory> hosts;
  std::string problem;
};

// Reads the answer to `query` from an open store; throws what the store
// throws (SQLite::Exception) when the file cannot be read.
HistoryLoad readHistory(history::HistoryStore& store, const HistoryQuery& query);

// One read of the history on a thread of its own, so the window never waits
// for the file. It borrows the reader's store (opening one at `path` when
// it has none) and gives it back with the answer; `done` runs on its
// thread as the last thing it does.
class HistoryLoader : public ThreadBase {
 public:
  HistoryLoader(std::unique_ptr<history::HistoryStore> store, std::string path, HistoryQuery query,
                std::function<void()> done);

  // Once finished.
  std::unique_ptr<history::HistoryStore> takeStore() { return std::move(store_); }
  HistoryLoad& load() { return load_; }

 protected:
  void execute() override;

 private:
  std::unique_ptr<history::HistoryStore> store_;
  std::string path_;
  HistoryQuery query_;
  std::function<void()> done_;
  HistoryLoad load_;
};

}  // namespace tarvo::ui
