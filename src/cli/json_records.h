#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/round_trip_stats.h"
#include "cli/json_lines.h"
#include "engine/echo_types.h"
#include "range/range_report.h"
#include "range/range_slot_table.h"
#include "trace/trace_hop_table.h"

namespace tarvo::cli {

// The records of `--json` output, one per result, built from the runs' data
// (not from their lines). Every record has a "type"; round trips are
// numbers of milliseconds with the microseconds as their fraction, and a
// value that does not apply is null.

using TimePoint = std::chrono::system_clock::time_point;

// Single-host ping: a "reply" or an "error" per request, then a "summary".
JsonObject pingRecord(std::uint32_t sequence, const EchoResult& result);
JsonObject pingSummaryRecord(const std::string& host, const RoundTripStats& stats, TimePoint start,
                             TimePoint end);

// Range ping: an "address" per pinged address or a "skip" for a network or
// broadcast address, then a "summary".
JsonObject rangeRecord(const std::string& address, const RangeOutcome& outcome);
JsonObject rangeSummaryRecord(const RangeCounts& counts, TimePoint start, TimePoint end);

// Traceroute: a "hop" per finished hop, then a "summary".
JsonObject hopRecord(std::uint32_t hop, std::uint32_t code, const TraceHopOutcome& outcome);
JsonObject traceSummaryRecord(const std::string& host, const IpAddress& destination,
                              std::uint32_t hops, bool reached, TimePoint start, TimePoint end);

// Watch: a "result" per reply or time-out, with the host's state after it,
// and a "state" per reported change; `host` counts the list from 1;
// `address` is the address pinged, null while a name is not resolved.
JsonObject watchResultRecord(std::size_t host, const std::string& caption,
                             const std::string& address, std::optional<std::uint64_t> rttUs,
                             const char* state, TimePoint time);
JsonObject watchStateRecord(std::size_t host, const std::string& address, const char* state,
                            TimePoint time);

// Min / avg / max in milliseconds to the microsecond, or null without replies.
void addRoundTrips(JsonObject& record, const RoundTripStats& stats);

// The settings as one "settings" record: the stored values under their
// stored names, numbers as numbers and texts as strings; the values named
// in `texts` (a host, a path) stay strings even when they look like numbers.
JsonObject settingsRecord(const std::vector<std::pair<std::string, std::string>>& values,
                          const std::set<std::string>& texts);

}  // namespace tarvo::cli
