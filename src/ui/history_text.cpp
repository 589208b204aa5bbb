#include "ui/history_text.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace tarvo::ui {

namespace {

constexpr history::TimeUs kSecondUs = 1'000'000;
constexpr history::TimeUs kDayUs = 24 * 3600 * kSecondUs;
constexpr std::size_t kListedOutages = 10;

std::string localTime(history::TimeUs t, bool withDate) {
  const std::time_t seconds = static_cast<std::time_t>(t / kSecondUs);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, withDate ? "%Y-%m-%d %H:%M:%S" : "%H:%M:%S", &local);
  return text;
}

std::string ms(double us) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", us / 1000.0);
  return text;
}

std::string optionalMs(const std::optional<double>& value) {
  return value ? ms(*value * 1000.0) : std::string("-");
}

std::string percent(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f %%", value);
  return text;
}

// A CSV field: quoted when it holds a separator, a quote or a line end.
std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string isoUtc(history::TimeUs t) {
  history::TimeUs seconds = t / kSecondUs;
  history::TimeUs micros = t % kSecondUs;
  if (micros < 0) {
    micros += kSecondUs;
    --seconds;
  }
  const std::time_t whole = static_cast<std::time_t>(seconds);
  std::tm utc{};
  gmtime_r(&whole, &utc);
  char text[48];
  const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + n, sizeof text - n, ".%06" PRId64 "Z", static_cast<std::int64_t>(micros));
  return text;
}

}  // namespace

std::string historyColumnText(const HistoryGraphModel& model, std::size_t column) {
  const HistoryColumn& c = model.columns().at(column);
  if (c.count == 0) return {};
  const bool withDate = model.view().to - model.view().from > kDayUs;
  const history::TimeRange time = model.columnTime(column);
  if (c.count == 1) {
    return localTime(c.start, withDate) + "  " + (c.lost > 0 ? "lost" : ms(c.sumUs) + " ms");
  }
  std::string text = localTime(time.from, withDate) + " - " + localTime(time.to, withDate) + "  ";
  if (c.received() > 0) {
    text += ms(static_cast<double>(c.minUs)) + " / " + ms(c.avgUs()) + " / " +
            ms(static_cast<double>(c.maxUs)) + " ms";
  }
  if (c.lost > 0) {
    text += (c.received() > 0 ? ", " : "") + std::to_string(c.lost) + " of " +
            std::to_string(c.count) + " lost";
  }
  return text;
}

std::string durationText(double seconds) {
  const auto total = static_cast<std::int64_t>(seconds < 0 ? 0 : seconds + 0.5);
  char text[48];
  const std::int64_t days = total / 86400;
  const auto h = static_cast<int>(total % 86400 / 3600);
  const auto m = static_cast<int>(total % 3600 / 60);
  const auto s = static_cast<int>(total % 60);
  if (days > 0) {
    std::snprintf(text, sizeof text, "%" PRId64 " d %02d:%02d:%02d", days, h, m, s);
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", h, m, s);
  }
  return text;
}

std::string historySummaryText(const history::Summary& s, std::span<const history::Outage> outages,
                               history::TimeUs lastSeen) {
  std::string text = "sent " + std::to_string(s.sent) + ", received " + std::to_string(s.received) +
                     ", loss " + percent(s.lossPercent) + "\n";
  text += "min/avg/max/mdev " + optionalMs(s.minMs) + "/" + optionalMs(s.avgMs) + "/" +
          optionalMs(s.maxMs) + "/" + optionalMs(s.mdevMs) + " ms, p95 " + optionalMs(s.p95Ms) +
          " ms\n";
  text += "outages " + std::to_string(s.outages) + ", down " + durationText(s.downSeconds);
  const std::size_t skipped = outages.size() > kListedOutages ? outages.size() - kListedOutages : 0;
  for (const history::Outage& o : outages.subspan(skipped)) {
    text += "\n  " + localTime(o.start, true) + " - " +
            (o.end ? localTime(*o.end, true) : std::string("now")) + "  " +
            durationText(o.seconds(lastSeen));
  }
  if (skipped > 0) text += "\n  and " + std::to_string(skipped) + " more";
  return text;
}

std::string historyCsv(const history::HostKey& host, std::span<const history::Result> results) {
  std::string text = "time,host,address,rtt_ms,status\r\n";
  const std::string fields = "," + csvField(host.item) + "," + csvField(host.address) + ",";
  for (const history::Result& r : results) {
    text += isoUtc(r.time) + fields + (r.rttUs ? ms(static_cast<double>(*r.rttUs)) : "") + "," +
            std::to_string(r.status) + "\r\n";
  }
  return text;
}

}  // namespace tarvo::ui
