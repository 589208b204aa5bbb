#include "ui/history_loader.h"

#include <algorithm>

namespace tarvo::ui {

HistoryLoad readHistory(history::HistoryStore& store, const HistoryQuery& query) {
  HistoryLoad load;
  if (query.view) {
    load.view = *query.view;
  } else {
    const auto span = store.span();
    // Nothing recorded yet: the last hour, empty.
    load.view = {span ? span->from : query.now - rangeLength(GraphRange::OneHour), query.now};
  }
  load.view.to = std::max(load.view.to, load.view.from + 1);
  load.perMinute = viewUsesMinutes(load.view);
  for (const history::HostKey& key : store.hosts(query.hosts)) {
    HostHistory& h = load.hosts.emplace_back();
    h.host = key;
    if (load.perMinute) {
      for (const history::Minute& m : store.minutes(key, load.view)) {
        // The minute the view starts in shows in its first column.
        h.samples.push_back(sampleOf(m));
        h.samples.back().start = std::max(m.start, load.view.from);
      }
    } else {
      for (const history::Result& r : store.results(key, load.view))
        h.samples.push_back(sampleOf(r));
    }
    h.samples = reducedSamples(std::move(h.samples), load.view, query.mostSamples);
    h.statistics.summary = store.summary(key, load.view, query.thresholds);
    h.statistics.outages = store.outages(key, load.view, query.thresholds);
    // An outage still going on lasts until the host was last heard of, as
    // the console counts it.
    h.statistics.lastSeen = store.lastSeen(key, load.view);
  }
  return load;
}

HistoryLoader::HistoryLoader(std::unique_ptr<history::HistoryStore> store, std::string path,
                             HistoryQuery query, std::function<void()> done)
    : store_(std::move(store)),
      path_(std::move(path)),
      query_(std::move(query)),
      done_(std::move(done)) {}

void HistoryLoader::execute() {
  if (!store_) {
    history::OpenOutcome opened =
        history::HistoryStore::open(path_, history::HistoryStore::Mode::Read);
    store_ = std::move(opened.store);
    load_.problem = opened.message;
  }
  if (store_) {
    std::string said = std::move(load_.problem);
    try {
      load_ = readHistory(*store_, query_);
    } catch (const std::exception& e) {
      // A file busy beyond the store's patience, or damaged on the way: the
      // next read tries again.
      load_ = HistoryLoad{};
      load_.problem = e.what();
    }
    if (load_.problem.empty()) load_.problem = std::move(said);
  }
  done_();
}

}  // namespace tarvo::ui
