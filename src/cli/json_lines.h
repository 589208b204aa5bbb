#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace tarvo::cli {

// One record of `--json` output. Keys keep the order they were set in, so
// the lines read the same way every run.
using JsonObject = nlohmann::ordered_json;

// The record as one line of JSON Lines: compact, ending in "\n", and valid
// UTF-8 whatever the host texts held (a byte that is not UTF-8 becomes
// U+FFFD rather than ending the run).
std::string jsonLine(const JsonObject& object);

// A round trip given in microseconds as milliseconds: a whole number where
// it is one, otherwise with the microseconds as its fraction (43 us: 0.043).
JsonObject jsonMilliseconds(std::uint64_t us);
// The same, or null where no reply came.
JsonObject roundTripOrNull(std::optional<std::uint64_t> us);

// ISO 8601 local time with milliseconds and the zone's offset,
// "2026-12-06T23:43:36.123+01:00", so the moments of a run sort and compare
// as text and carry their zone.
std::string isoTime(std::chrono::system_clock::time_point t);

// Standard output as a stream of records: each line is written whole and
// flushed at once, so a reader sees every record as soon as it is made, and
// a failed write stops the run as for the text output.
class JsonLines {
 public:
  explicit JsonLines(std::FILE* out = stdout) : out_(out) {}
  void write(const JsonObject& object);

 private:
  std::mutex mutex_;
  std::FILE* out_;
};

}  // namespace tarvo::cli
