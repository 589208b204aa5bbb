#pragma once

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "metrics/host_metrics.h"
#include "watch/result_sink.h"

namespace tarvo::metrics {

// The monitor's results gathered per host for the metrics. The monitor's
// controller feeds it as a result sink; a scrape copies it under the same
// short lock, so neither ever waits for the other's work. Hosts are known
// by their item text, so a new monitor run over a changed list keeps what
// the hosts that stay have gathered.
class MetricsRegistry : public ResultSink {
 public:
  // The hosts watched from now on, in list order: those kept keep
  // everything, new ones start from nothing, the others go.
  void setHosts(const std::vector<std::string>& items);

  void record(const std::string& item, const std::string& address,
              const WatchResult& result) override;
  void stateChanged(const std::string& item, const std::string& address, HostState state) override;
  void captionChanged(const std::string& item, const std::string& caption) override;

  // Every host as it stands, in list order.
  std::vector<HostMetrics> snapshot() const;

 private:
  // The host of that item, or null for one no longer watched. Callers
  // hold mutex_.
  HostMetrics* find(const std::string& item);

  mutable std::mutex mutex_;
  std::vector<HostMetrics> hosts_;
  std::unordered_map<std::string, std::size_t> index_;  // item -> place in hosts_
};

}  // namespace tarvo::metrics
