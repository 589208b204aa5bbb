#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "base/round_trip_stats.h"
#include "engine/echo_types.h"

namespace tarvo {

// One point of a host's graph: the height and colour of one result.
struct GraphPoint {
  static constexpr std::uint32_t kGreen = 0x00FF00;
  static constexpr std::uint32_t kYellow = 0xFFFF00;
  static constexpr std::uint32_t kRed = 0xFF0000;

  std::uint32_t value = 0;  // 0 .. waitMs
  std::uint32_t color = kRed;
  bool replied = false;
  std::uint32_t roundTripMs = 0;  // as reported, also above waitMs
  std::uint64_t roundTripUs = 0;  // the same in microseconds
};

// What a worker hands the controller per request.
struct WatchResult {
  // What no request was sent for: the host's name had no address.
  static constexpr std::int32_t kNameNotResolved = -1;

  bool replied = false;
  std::uint64_t roundTripUs = 0;                 // as reported, whole ms exact (roundTripMicros)
  std::int32_t status = kNameNotResolved;        // the echo status otherwise (0: reply)
  std::chrono::system_clock::time_point time{};  // when the answer (or time-out) came
  std::uint32_t roundTripMs() const { return static_cast<std::uint32_t>(roundTripUs / 1000); }
};

// A reply up to the time-out is green at its height, a longer one yellow at
// full height, anything else red at full height.
GraphPoint graphPoint(const WatchResult& result, std::uint32_t waitMs);

// Sequence numbers run 1 .. 65535 and start again at 1.
std::uint32_t nextSequence(std::uint32_t sequence);
// Writes ".Seq=00042." over the first 11 bytes; a shorter payload is left
// alone.
void stampSequence(std::span<std::uint8_t> payload, std::uint32_t sequence);

// The log file of an address: the folder with its trailing "/" collapsed to
// one, then the address text with "_" for ".", and for an IPv6 address's
// ":" and zone "%", then ".log". An IPv4 text is the item as typed
// (trailing blanks and all), so it is made safe for a name: surrounding
// blanks go, as the address reader ignores them too, and a control
// character or "/" becomes "_", so no name steers a terminal or
// reaches into another folder and every text still keeps a file of its own.
std::string logFileName(const std::string& folder, const std::string& addressText);

// "<date>, hh:nn:ss.ms" of a wall-clock time: the locale's short date, the
// milliseconds unpadded.
std::string logTimeFields(std::chrono::system_clock::time_point when);

// One log line without its line end.
std::string logLine(const std::string& address, const std::string& timeFields,
                    const EchoResult& result, bool replied, const RoundTripStats& counters,
                    const std::string& statusText);

// Which results reach the log.
struct LogChoice {
  bool replies = false;
  bool timeouts = false;
  bool changesOnly = false;
  bool any() const { return replies || timeouts || changesOnly; }
  bool write(bool replied, bool previousReplied, bool first) const {
    if (changesOnly) return first || replied != previousReplied;
    return (replies && replied) || (timeouts && !replied);
  }
};

}  // namespace tarvo
