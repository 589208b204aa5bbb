#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvo::history {

// Times are microseconds since the Unix epoch (system clock), as stored.
using TimeUs = std::int64_t;

// What a result says when no request could be sent: the host's name had no
// address. Every other status is the echo status (0 for a reply).
inline constexpr std::int32_t kStatusNameNotResolved = -1;

// A watched host as the history knows it: the item as typed and the address
// it was pinged at (empty while a name had none). A name whose address
// changes is two hosts, so no statistics mix two machines.
struct HostKey {
  std::string item;
  std::string address;
  bool operator==(const HostKey&) const = default;
  auto operator<=>(const HostKey&) const = default;
};

// One result as it is recorded.
struct Result {
  TimeUs time = 0;
  std::optional<std::uint64_t> rttUs;  // none: no reply
  std::int32_t status = 0;
};

// One minute of one host: what the graphs draw for long ranges and what is
// kept once the raw results are gone.
struct Minute {
  TimeUs start = 0;  // the minute's first microsecond
  std::uint32_t count = 0;
  std::uint32_t lost = 0;
  // Over the replies; meaningless when count == lost.
  std::uint64_t minUs = 0;
  std::uint64_t maxUs = 0;
  double sumUs = 0;
  double sumSquaresUs = 0;  // of the round trips in µs, for the deviation
  std::uint64_t p50Us = 0;
  std::uint64_t p95Us = 0;
  std::uint32_t received() const { return count - lost; }
  double avgUs() const { return received() > 0 ? sumUs / received() : 0.0; }
};

// One stretch of time during which a host was down, by the monitor's down /
// up rule: it starts at the first of the time-outs that made the host down
// and ends at the first of the replies that made it up again.
struct Outage {
  TimeUs start = 0;
  std::optional<TimeUs> end;  // none: still down at the last result
  double seconds(TimeUs lastSeen) const {
    return static_cast<double>(end.value_or(lastSeen) - start) / 1e6;
  }
};

// A host's line for a time range. Round trips in milliseconds with their
// fraction; none where there was no reply.
struct Summary {
  HostKey host;
  std::uint64_t sent = 0;
  std::uint64_t received = 0;
  double lossPercent = 0;  // 0 .. 100; 0 when nothing was sent
  std::optional<double> minMs{}, avgMs{}, maxMs{}, mdevMs{}, p95Ms{};
  std::uint64_t outages = 0;
  double downSeconds = 0;
};

// A time range; `to` is not included.
struct TimeRange {
  TimeUs from = 0;
  TimeUs to = 0;
};

// How long each kind of row is kept, in days.
struct Retention {
  int rawDays = 2;
  int minuteDays = 90;
};

}  // namespace tarvo::history
