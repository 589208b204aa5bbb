#include "cli/json_records.h"

#include <charconv>

#include "engine/address.h"
#include "engine/echo_status.h"
#include "trace/trace_hop_thread.h"

namespace tarvo::cli {

namespace {

JsonObject typed(const char* type) {
  JsonObject record = JsonObject::object();
  record["type"] = type;
  return record;
}

// A host that has no address to ping yet (an unresolved name) has null.
JsonObject textOrNull(const std::string& text) {
  return text.empty() ? JsonObject(nullptr) : JsonObject(text);
}

JsonObject addressOrNull(const IpAddress& address) {
  if (address == IpAddress()) return nullptr;
  return address.toString();
}

// The console's lines end some texts in a blank; a record's text does not.
std::string withoutTrailingBlanks(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// The text a status shows in the console's lines.
std::string statusText(std::uint32_t status) {
  return withoutTrailingBlanks(echoStatusTextOrCode(status));
}

void addTimes(JsonObject& record, TimePoint start, TimePoint end) {
  record["start"] = isoTime(start);
  record["end"] = isoTime(end);
}

void addCounts(JsonObject& record, const RoundTripStats& stats) {
  record["sent"] = stats.sent;
  record["received"] = stats.received;
  record["lost"] = stats.lost();
}

// A stored text that is a plain decimal number (no sign, no leading zero
// but for "0" itself) is written as a number; anything else as the text.
bool plainNumber(const std::string& text, std::int64_t& value) {
  if (text.empty() || text.size() > 18 || (text.size() > 1 && text[0] == '0')) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && text[0] != '-';
}

}  // namespace

void addRoundTrips(JsonObject& record, const RoundTripStats& stats) {
  const bool any = stats.received > 0;
  record["min"] = any ? jsonMilliseconds(stats.minimumUs) : JsonObject(nullptr);
  record["avg"] = any ? jsonMilliseconds(stats.averageUs()) : JsonObject(nullptr);
  record["max"] = any ? jsonMilliseconds(stats.maximumUs) : JsonObject(nullptr);
}

JsonObject pingRecord(std::uint32_t sequence, const EchoResult& result) {
  if (result.status == status::kSuccess) {
    JsonObject record = typed("reply");
    record["seq"] = sequence;
    record["address"] = result.replyAddress.toString();
    record["bytes"] = result.replyDataSize;
    record["rtt"] = jsonMilliseconds(roundTripMicros(result));
    record["ttl"] = result.replyTtl;
    return record;
  }
  JsonObject record = typed("error");
  record["seq"] = sequence;
  record["status"] = result.status;
  record["text"] = statusText(result.status);
  record["address"] = addressOrNull(result.replyAddress);
  return record;
}

JsonObject pingSummaryRecord(const std::string& host, const RoundTripStats& stats, TimePoint start,
                             TimePoint end) {
  JsonObject record = typed("summary");
  record["host"] = host;
  addCounts(record, stats);
  record["loss"] = stats.lossPercent();
  addRoundTrips(record, stats);
  addTimes(record, start, end);
  return record;
}

JsonObject rangeRecord(const std::string& address, const RangeOutcome& outcome) {
  if (outcome.code == range_code::kNetwork || outcome.code == range_code::kBroadcast) {
    JsonObject record = typed("skip");
    record["address"] = address;
    record["reason"] = outcome.code == range_code::kNetwork ? "network" : "broadcast";
    return record;
  }
  const bool reached = outcome.code == range_code::kReached;
  JsonObject record = typed("address");
  record["address"] = address;
  record["reached"] = reached;
  addCounts(record, outcome.stats);
  addRoundTrips(record, outcome.stats);
  record["bytes"] = reached ? JsonObject(outcome.replyBytes) : JsonObject(nullptr);
  record["ttl"] = reached ? JsonObject(outcome.replyTtl) : JsonObject(nullptr);
  record["status"] = outcome.lastStatus ? JsonObject(*outcome.lastStatus) : JsonObject(nullptr);
  record["text"] = reached ? JsonObject(nullptr) : JsonObject(outcome.text);
  return record;
}

JsonObject rangeSummaryRecord(const RangeCounts& counts, TimePoint start, TimePoint end) {
  JsonObject record = typed("summary");
  record["addresses"] = counts.total;
  record["pinged"] = counts.reached + counts.notReached;
  record["reached"] = counts.reached;
  record["not_reached"] = counts.notReached;
  record["network"] = counts.network;
  record["broadcast"] = counts.broadcast;
  // Fewer than the addresses when a Break ended the run early.
  record["started"] = counts.started;
  addTimes(record, start, end);
  return record;
}

JsonObject hopRecord(std::uint32_t hop, std::uint32_t code, const TraceHopOutcome& outcome) {
  JsonObject record = typed("hop");
  record["hop"] = hop;
  JsonObject rtt = JsonObject::array();
  for (std::size_t probe = 0; probe < TTraceTh::kProbes; ++probe) {
    rtt.push_back(roundTripOrNull(probe < outcome.roundTripsUs.size() ? outcome.roundTripsUs[probe]
                                                                      : std::nullopt));
  }
  record["rtt"] = std::move(rtt);
  record["address"] = outcome.router ? JsonObject(outcome.router->toString()) : nullptr;
  record["name"] = outcome.name.empty() ? JsonObject(nullptr) : JsonObject(outcome.name);
  record["status"] = outcome.status ? JsonObject(*outcome.status) : JsonObject(nullptr);
  const std::string text = withoutTrailingBlanks(outcome.text);
  record["text"] = text.empty() ? JsonObject(nullptr) : JsonObject(text);
  const char* result = "no answer";
  if (code == hopcode::kReached) {
    result = "reached";
  } else if (code == hopcode::kEndingError) {
    result = "error";
  } else if (!outcome.probed) {
    result = "not probed";
  } else if (outcome.router) {
    result = "router";
  }
  record["result"] = result;
  return record;
}

JsonObject traceSummaryRecord(const std::string& host, const IpAddress& destination,
                              std::uint32_t hops, bool reached, TimePoint start, TimePoint end) {
  JsonObject record = typed("summary");
  record["host"] = host;
  record["address"] = addressOrNull(destination);
  record["hops"] = hops;
  record["reached"] = reached;
  addTimes(record, start, end);
  return record;
}

JsonObject watchResultRecord(std::size_t host, const std::string& caption,
                             const std::string& address, std::optional<std::uint64_t> rttUs,
                             const char* state, TimePoint time) {
  JsonObject record = typed("result");
  record["host"] = host;
  record["caption"] = caption;
  record["address"] = textOrNull(address);
  record["rtt"] = roundTripOrNull(rttUs);
  record["state"] = state;
  record["time"] = isoTime(time);
  return record;
}

JsonObject watchStateRecord(std::size_t host, const std::string& address, const char* state,
                            TimePoint time) {
  JsonObject record = typed("state");
  record["host"] = host;
  record["address"] = textOrNull(address);
  record["state"] = state;
  record["time"] = isoTime(time);
  return record;
}

JsonObject settingsRecord(const std::vector<std::pair<std::string, std::string>>& values,
                          const std::set<std::string>& texts) {
  JsonObject record = typed("settings");
  for (const auto& [name, text] : values) {
    std::int64_t number = 0;
    if (texts.count(name) == 0 && plainNumber(text, number)) {
      record[name] = number;
    } else {
      record[name] = text;
    }
  }
  return record;
}

}  // namespace tarvo::cli
