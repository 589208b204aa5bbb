#pragma once

#include <cstdint>

namespace tarvo {

// Round-trip totals of a series of echo requests to one host.
struct RoundTripStats {
  // The minimum before any reply; shown as 0.
  static constexpr std::uint32_t kNoReply = 65536;

  std::uint32_t sent = 0;
  std::uint32_t received = 0;
  // Kept wide: an endless ping must not wrap the sum of its round trips.
  std::uint64_t sum = 0;
  std::uint32_t minimum = kNoReply;
  std::uint32_t maximum = 0;
  // The same in microseconds, for records that keep what is below a
  // millisecond; the text's whole milliseconds are the fields above.
  std::uint64_t sumUs = 0;
  std::uint64_t minimumUs = 0;
  std::uint64_t maximumUs = 0;

  void addSent() { ++sent; }
  void addReply(std::uint32_t rttMs) { addReply(rttMs, std::uint64_t{rttMs} * 1000); }
  void addReply(std::uint32_t rttMs, std::uint64_t rttUs) {
    if (received == 0 || rttUs < minimumUs) minimumUs = rttUs;
    if (rttUs > maximumUs) maximumUs = rttUs;
    sumUs += rttUs;
    ++received;
    sum += rttMs;
    if (rttMs < minimum) minimum = rttMs;
    if (rttMs > maximum) maximum = rttMs;
  }

  std::uint32_t lost() const { return sent - received; }
  std::uint32_t shownMinimum() const { return minimum == kNoReply ? 0 : minimum; }
  // Whole milliseconds, rounded down; 0 without replies.
  std::uint64_t average() const { return received > 0 ? sum / received : 0; }
  // Microseconds, rounded down; 0 without replies.
  std::uint64_t averageUs() const { return received > 0 ? sumUs / received : 0; }
  // Lost requests in whole percent, rounded down; 0 before any request.
  std::uint64_t lossPercent() const {
    return sent == 0 ? 0 : static_cast<std::uint64_t>(lost()) * 100 / sent;
  }
};

}  // namespace tarvo
