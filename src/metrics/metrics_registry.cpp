#include "metrics/metrics_registry.h"

#include <utility>

#include "watch/watch_address.h"

namespace tarvo::metrics {

void MetricsRegistry::setHosts(const std::vector<std::string>& items) {
  std::vector<HostMetrics> hosts;
  std::unordered_map<std::string, std::size_t> index;
  hosts.reserve(items.size());
  std::lock_guard lock(mutex_);
  for (const std::string& item : items) {
    if (index.count(item) != 0) continue;
    index.emplace(item, hosts.size());
    if (HostMetrics* kept = find(item)) {
      hosts.push_back(std::move(*kept));
      continue;
    }
    HostMetrics& host = hosts.emplace_back();
    host.item = item;
    host.caption = item;
    // An address item is pinged at its address from the first request on;
    // telling it now keeps its series from starting under an empty address.
    if (const auto parsed = watchAddressOf(item)) host.address = parsed->toString();
  }
  hosts_ = std::move(hosts);
  index_ = std::move(index);
}

HostMetrics* MetricsRegistry::find(const std::string& item) {
  const auto found = index_.find(item);
  return found == index_.end() ? nullptr : &hosts_[found->second];
}

void MetricsRegistry::record(const std::string& item, const std::string& address,
                             const WatchResult& result) {
  std::lock_guard lock(mutex_);
  HostMetrics* host = find(item);
  if (host == nullptr) return;
  host->address = address;
  ++host->requests;
  if (!result.replied) return;
  ++host->replies;
  host->rttSumUs += result.roundTripUs;
  for (std::size_t b = 0; b < kRttBuckets; ++b) {
    if (result.roundTripUs <= rttBucketBoundUs(b)) {
      ++host->rttBuckets[b];
      break;
    }
  }
}

void MetricsRegistry::stateChanged(const std::string& item, const std::string& address,
                                   HostState state) {
  std::lock_guard lock(mutex_);
  HostMetrics* host = find(item);
  if (host == nullptr || state == HostState::Unknown) return;
  host->address = address;
  // A new run judges each host afresh from Unknown: only a real turn
  // between up and down counts, not the same state found again.
  if (host->state != HostState::Unknown && host->state != state) ++host->stateChanges;
  host->state = state;
}

void MetricsRegistry::captionChanged(const std::string& item, const std::string& caption) {
  std::lock_guard lock(mutex_);
  if (HostMetrics* host = find(item)) host->caption = caption;
}

std::vector<HostMetrics> MetricsRegistry::snapshot() const {
  std::lock_guard lock(mutex_);
  return hosts_;
}

}  // namespace tarvo::metrics
