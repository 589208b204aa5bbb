#include "ui/run_outputs.h"

#include "history/history_writer.h"
#include "settings/settings.h"
#include "watch/watch_controller.h"

namespace tarvo::ui {

RunOutputs::RunOutputs() = default;
RunOutputs::~RunOutputs() { finish(); }

std::vector<std::string> RunOutputs::start(const settings::Settings& values, WatchRun& run,
                                           NoticeFn notice) {
  std::vector<std::string> problems;
  if (values.history) {
    // The file is opened on the writer's thread: a busy file or an upgrade
    // never holds the window.
    writer_ = std::make_unique<history::HistoryWriter>(
        history::defaultHistoryPath(),
        history::Retention{values.historyRawDays, values.historyDays}, notice);
    if (writer_->start()) {
      run.sinks.push_back(writer_.get());
    } else {
      writer_.reset();
      problems.push_back("The history is not recorded: no thread could be started.");
    }
  }
  if (!values.metricsListen.empty()) {
    // A wrong address or a port in use costs the endpoint, never the run.
    const auto where = metrics::parseListenAddress(values.metricsListen);
    std::string error = "not [address:]port";
    if (where) {
      registry_.setHosts(run.hosts);
      server_ = metrics::MetricsHttpServer::start(
          *where,
          [this](metrics::ExpositionFormat format) {
            return metrics::exposition(registry_.snapshot(), format, TARVO_VERSION);
          },
          error);
    }
    if (server_) {
      run.sinks.push_back(&registry_);
    } else {
      problems.push_back("Metrics not served at " + values.metricsListen + ": " + error);
    }
  }
  return problems;
}

void RunOutputs::finish() {
  if (writer_) writer_->finish();  // writes what is pending and waits for the thread
  writer_.reset();
  server_.reset();
}

}  // namespace tarvo::ui
