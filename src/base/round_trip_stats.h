#pragma once

#include <cstdint>

namespace tarvo {

// Round-trip totals of a series of echo requests to one host: a ping's
// statistics, a range address's outcome, a watched host's log line and
// console row.
struct RoundTripStats {
  // Kept wide: an endless ping or a watch of months must not wrap them.
  std::uint64_t sent = 0;
  std::uint64_t received = 0;
  std::uint64_t sum = 0;
  // Whole milliseconds, as the texts show them; 0 before any reply.
  std::uint32_t minimum = 0;
  std::uint32_t maximum = 0;
  std::uint32_t last = 0;  // the latest reply's
  // The same in microseconds, for records that keep what is below a
  // millisecond.
  std::uint64_t sumUs = 0;
  std::uint64_t minimumUs = 0;
  std::uint64_t maximumUs = 0;

  void addSent() { ++sent; }
  void addReply(std::uint32_t rttMs) { addReply(rttMs, std::uint64_t{rttMs} * 1000); }
  void addReply(std::uint32_t rttMs, std::uint64_t rttUs) {
    if (received == 0 || rttUs < minimumUs) minimumUs = rttUs;
    if (received == 0 || rttMs < minimum) minimum = rttMs;
    if (rttUs > maximumUs) maximumUs = rttUs;
    if (rttMs > maximum) maximum = rttMs;
    sumUs += rttUs;
    sum += rttMs;
    last = rttMs;
    ++received;
  }

  std::uint64_t lost() const { return sent - received; }
  // Whole milliseconds, rounded down; 0 without replies.
  std::uint64_t average() const { return received > 0 ? sum / received : 0; }
  // Microseconds, rounded down; 0 without replies.
  std::uint64_t averageUs() const { return received > 0 ? sumUs / received : 0; }
  // Lost requests in whole percent, rounded down; 0 before any request.
  std::uint64_t lossPercent() const { return sent == 0 ? 0 : lost() * 100 / sent; }
};

}  // namespace tarvo
