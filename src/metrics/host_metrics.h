#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "watch/host_state.h"

namespace tarvo::metrics {

// The round-trip histogram's buckets: upper bounds from 50 µs doubling to
// 26.2144 s (20 buckets), from a loopback reply to the longest time-out
// anyone waits for; slower replies count in +Inf alone.
inline constexpr std::size_t kRttBuckets = 20;
constexpr std::uint64_t rttBucketBoundUs(std::size_t bucket) { return std::uint64_t{50} << bucket; }

// What the metrics tell of one watched host.
struct HostMetrics {
  std::string item;     // the watch list's text
  std::string address;  // what it is pinged at; empty while a name has none
  std::string caption;  // the graph's caption as the monitor shows it
  HostState state = HostState::Unknown;
  std::uint64_t requests = 0;  // its turns, with or without an address to ping
  std::uint64_t replies = 0;
  std::uint64_t stateChanges = 0;  // between up and down
  // Replies per bucket (not cumulative): the first bucket whose bound is
  // not below the round trip.
  std::array<std::uint64_t, kRttBuckets> rttBuckets{};
  std::uint64_t rttSumUs = 0;
};

}  // namespace tarvo::metrics
