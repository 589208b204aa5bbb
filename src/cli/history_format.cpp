#include "cli/history_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "cli/console_text.h"

namespace tarvo::cli {

namespace {

using history::TimeUs;

// Three decimals, and a whole number where it is one: nothing is shown in
// exponent form, however small, and 100 reads as 100, not 100.0.
JsonObject thousandths(double value) {
  const double rounded = std::round(value * 1000.0);
  if (std::fmod(rounded, 1000.0) == 0.0) return static_cast<std::int64_t>(rounded / 1000.0);
  return rounded / 1000.0;
}

JsonObject thousandthsOrNull(const std::optional<double>& value) {
  return value ? thousandths(*value) : JsonObject(nullptr);
}

JsonObject typedFor(const char* type, const history::HostKey& host) {
  JsonObject record;
  record["type"] = type;
  record["host"] = host.item;
  record["address"] = host.address.empty() ? JsonObject(nullptr) : JsonObject(host.address);
  return record;
}

std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string fixedOrDash(const std::optional<double>& value) {
  return value ? fixed(*value, 3) : "-";
}

std::string hostText(const history::HostKey& host) { return escapeControlChars(host.item); }
std::string addressText(const history::HostKey& host) {
  return host.address.empty() ? "-" : host.address;
}

std::string localTime(TimeUs time) {
  return isoTime(std::chrono::system_clock::time_point{std::chrono::microseconds(time)});
}

// Display width of UTF-8 text, one column per character.
std::size_t columnsOf(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string csvField(const JsonObject& value) {
  if (value.is_null()) return {};
  if (!value.is_string()) return value.dump();
  const std::string& text = value.get_ref<const std::string&>();
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

JsonObject historySummaryRecord(const history::Summary& s) {
  JsonObject record = typedFor("summary", s.host);
  record["sent"] = s.sent;
  record["received"] = s.received;
  record["loss"] = thousandths(s.lossPercent);
  record["min"] = thousandthsOrNull(s.minMs);
  record["avg"] = thousandthsOrNull(s.avgMs);
  record["max"] = thousandthsOrNull(s.maxMs);
  record["mdev"] = thousandthsOrNull(s.mdevMs);
  record["p95"] = thousandthsOrNull(s.p95Ms);
  record["outages"] = s.outages;
  record["down_seconds"] = thousandths(s.downSeconds);
  return record;
}

JsonObject historyOutageRecord(const history::HostKey& host, const history::Outage& outage,
                               TimeUs lastSeen) {
  JsonObject record = typedFor("outage", host);
  record["start"] = isoUtcTime(outage.start);
  record["end"] = outage.end ? JsonObject(isoUtcTime(*outage.end)) : JsonObject(nullptr);
  record["seconds"] = thousandths(outage.seconds(lastSeen));
  return record;
}

JsonObject historyResultRecord(const history::HostKey& host, const history::Result& result) {
  JsonObject record = typedFor("result", host);
  record["time"] = isoUtcTime(result.time);
  record["rtt"] = roundTripOrNull(result.rttUs);
  record["status"] = result.status;
  return record;
}

std::string isoUtcTime(TimeUs time) {
  // Floor division, so a time before 1970 still counts forward in its second.
  const TimeUs ms = time >= 0 ? time / 1000 : -((-time + 999) / 1000);
  std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  long milli = static_cast<long>(ms % 1000);
  if (milli < 0) {
    milli += 1000;
    --seconds;
  }
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &utc);
  char text[48];
  std::snprintf(text, sizeof text, "%s.%03ldZ", date, milli);
  return text;
}

std::string csvHeader(const JsonObject& record) {
  std::string line;
  for (const auto& [name, value] : record.items()) {
    if (name != "type") line += (line.empty() ? "" : ",") + name;
  }
  return line + "\r\n";
}

std::string csvLine(const JsonObject& record) {
  std::string line;
  bool first = true;
  for (const auto& [name, value] : record.items()) {
    if (name == "type") continue;
    line += (first ? "" : ",") + csvField(value);
    first = false;
  }
  return line + "\r\n";
}

TextColumns::TextColumns(std::vector<Column> columns) : columns_(std::move(columns)) {
  for (const Column& c : columns_) widths_.push_back(columnsOf(c.title));
}

void TextColumns::fit(const std::vector<std::string>& cells) {
  for (std::size_t i = 0; i < cells.size() && i < widths_.size(); ++i) {
    widths_[i] = std::max(widths_[i], columnsOf(cells[i]));
  }
}

std::string TextColumns::header() const {
  std::vector<std::string> titles;
  for (const Column& c : columns_) titles.push_back(c.title);
  return line(titles);
}

std::string TextColumns::line(const std::vector<std::string>& cells) const {
  std::string text;
  for (std::size_t i = 0; i < cells.size() && i < columns_.size(); ++i) {
    const std::size_t n = columnsOf(cells[i]);
    const std::string pad(widths_[i] > n ? widths_[i] - n : 0, ' ');
    if (i > 0) text += "  ";
    text += columns_[i].right ? pad + cells[i] : cells[i] + pad;
  }
  text.erase(text.find_last_not_of(' ') + 1);
  return text + "\n";
}

TextColumns summaryColumns() {
  return TextColumns({{"HOST"},
                      {"ADDRESS"},
                      {"SENT", true},
                      {"LOSS%", true},
                      {"MIN", true},
                      {"AVG", true},
                      {"MAX", true},
                      {"MDEV", true},
                      {"P95", true},
                      {"OUTAGES", true},
                      {"DOWN_S", true}});
}

std::vector<std::string> summaryCells(const history::Summary& s) {
  return {hostText(s.host),          addressText(s.host),    std::to_string(s.sent),
          fixed(s.lossPercent, 1),   fixedOrDash(s.minMs),   fixedOrDash(s.avgMs),
          fixedOrDash(s.maxMs),      fixedOrDash(s.mdevMs),  fixedOrDash(s.p95Ms),
          std::to_string(s.outages), fixed(s.downSeconds, 1)};
}

TextColumns outageColumns() {
  return TextColumns({{"HOST"}, {"ADDRESS"}, {"START"}, {"END"}, {"SECONDS", true}});
}

std::vector<std::string> outageCells(const history::HostKey& host, const history::Outage& outage,
                                     TimeUs lastSeen) {
  return {hostText(host), addressText(host), localTime(outage.start),
          outage.end ? localTime(*outage.end) : "-", fixed(outage.seconds(lastSeen), 1)};
}

TextColumns resultColumns() {
  return TextColumns({{"HOST"}, {"ADDRESS"}, {"TIME"}, {"RTT", true}, {"STATUS", true}});
}

std::vector<std::string> resultCells(const history::HostKey& host, const history::Result& result) {
  const std::optional<double> rttMs =
      result.rttUs ? std::optional<double>(static_cast<double>(*result.rttUs) / 1000.0)
                   : std::nullopt;
  return {hostText(host), addressText(host), localTime(result.time), fixedOrDash(rttMs),
          std::to_string(result.status)};
}

}  // namespace tarvo::cli
