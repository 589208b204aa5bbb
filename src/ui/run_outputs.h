#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "metrics/metrics_http.h"
#include "metrics/metrics_registry.h"

namespace tarvo {
struct WatchRun;
namespace history {
class HistoryWriter;
}
}  // namespace tarvo

namespace tarvo::settings {
struct Settings;
}

namespace tarvo::ui {

// Where a window's monitor run goes besides its graphs: the history file
// and, where the settings name an address, the metrics endpoint. Both are
// started before the run and ended after it, once no result can come.
class RunOutputs {
 public:
  using NoticeFn = std::function<void(const std::string&)>;
  RunOutputs();
  ~RunOutputs();

  // Starts what the settings ask for and adds it to the run's sinks;
  // `notice` may be called from other threads later. Returns the problems
  // to show now.
  std::vector<std::string> start(const settings::Settings& values, WatchRun& run, NoticeFn notice);
  // Writes what the history still holds and closes the endpoint.
  void finish();

 private:
  std::unique_ptr<history::HistoryWriter> writer_;
  metrics::MetricsRegistry registry_;
  std::unique_ptr<metrics::MetricsHttpServer> server_;
};

}  // namespace tarvo::ui
