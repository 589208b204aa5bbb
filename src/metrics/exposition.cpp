#include "metrics/exposition.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "base/utf8.h"

namespace tarvo::metrics {

namespace {

std::string_view trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool sameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// A number as Prometheus writes one: the shortest text that reads back the
// same, in exponent form below 1e-4 and from 1e6 on ("5e-05", "0.0001").
std::string number(double value) {
  if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
  if (std::isnan(value)) return "NaN";
  char text[64];
  auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
  int exponent = 0;
  const char* e = std::find(text, written.ptr, 'e');
  if (e != written.ptr) std::from_chars(e + (e[1] == '+' ? 2 : 1), written.ptr, exponent);
  if (exponent >= -4 && exponent < 6) {
    written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  }
  return std::string(text, written.ptr);
}

// A label value between its quotes: backslash, double quote and line feed
// escaped. A byte that is not UTF-8 becomes U+FFFD, since a scraper would
// refuse the whole scrape for it.
void appendLabelValue(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = utf8SequenceLength(text, i);
    if (n == 0) {
      out += "\uFFFD";
      ++i;
      continue;
    }
    const char c = text[i];
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
  }
}

// Writes the families one after the other, each with its samples together,
// as both formats require.
class Writer {
 public:
  explicit Writer(ExpositionFormat format) : open_(format == ExpositionFormat::OpenMetrics) {}

  // A family's HELP and TYPE lines (and UNIT in OpenMetrics). OpenMetrics
  // names a counter's family without its samples' "_total", and has a type
  // of its own for "_info" metrics.
  void family(std::string_view sampleName, std::string_view type, std::string_view help,
              std::string_view unit = {}) {
    std::string_view name = sampleName;
    if (open_ && type == "counter") name.remove_suffix(std::string_view("_total").size());
    if (open_ && type == "info") name.remove_suffix(std::string_view("_info").size());
    if (!open_ && type == "info") type = "gauge";
    append("# HELP ", name, " ", help, "\n");
    append("# TYPE ", name, " ", type, "\n");
    if (open_ && !unit.empty()) append("# UNIT ", name, " ", unit, "\n");
  }
  // One sample: `labels` is the text between the braces.
  void sample(std::string_view name, std::string_view labels, std::string_view value) {
    append(name, "{", labels, "} ", value, "\n");
  }
  std::string finish() {
    if (open_) text_ += "# EOF\n";
    return std::move(text_);
  }

 private:
  template <class... Parts>
  void append(const Parts&... parts) {
    (text_.append(parts), ...);
  }

  const bool open_;
  std::string text_;
};

const std::string& bucketBounds(std::size_t bucket) {
  static const auto bounds = [] {
    std::array<std::string, kRttBuckets> b;
    for (std::size_t i = 0; i < kRttBuckets; ++i) {
      b[i] = number(static_cast<double>(rttBucketBoundUs(i)) / 1e6);
    }
    return b;
  }();
  return bounds[bucket];
}

void histogram(Writer& w, const HostMetrics& host, const std::string& labels) {
  std::uint64_t below = 0;
  for (std::size_t b = 0; b < kRttBuckets; ++b) {
    below += host.rttBuckets[b];
    w.sample("tarvo_rtt_seconds_bucket", labels + ",le=\"" + bucketBounds(b) + "\"",
             std::to_string(below));
  }
  w.sample("tarvo_rtt_seconds_bucket", labels + ",le=\"+Inf\"", std::to_string(host.replies));
  w.sample("tarvo_rtt_seconds_sum", labels, number(static_cast<double>(host.rttSumUs) / 1e6));
  w.sample("tarvo_rtt_seconds_count", labels, std::to_string(host.replies));
}

}  // namespace

ExpositionFormat formatForAccept(std::string_view accept) {
  // The quality of each media range ("type/subtype;q=0.5"), 1 where none
  // is given.
  double openMetrics = 0;
  double text = 0;
  while (!accept.empty()) {
    const auto comma = accept.find(',');
    std::string_view range = accept.substr(0, comma);
    accept = comma == std::string_view::npos ? std::string_view() : accept.substr(comma + 1);
    const auto semicolon = range.find(';');
    const std::string_view type = trimmed(range.substr(0, semicolon));
    double quality = 1;
    for (auto rest = semicolon; rest != std::string_view::npos;) {
      range = range.substr(rest + 1);
      rest = range.find(';');
      const std::string_view param = trimmed(range.substr(0, rest));
      if (param.size() > 2 && sameText(param.substr(0, 2), "q=")) {
        quality = std::strtod(std::string(param.substr(2)).c_str(), nullptr);
      }
    }
    if (sameText(type, "application/openmetrics-text"))
      openMetrics = std::max(openMetrics, quality);
    if (sameText(type, "text/plain")) text = std::max(text, quality);
  }
  return openMetrics > 0 && openMetrics >= text ? ExpositionFormat::OpenMetrics
                                                : ExpositionFormat::Text;
}

const char* contentType(ExpositionFormat format) {
  return format == ExpositionFormat::OpenMetrics
             ? "application/openmetrics-text; version=1.0.0; charset=utf-8"
             : "text/plain; version=0.0.4; charset=utf-8";
}

std::string exposition(const std::vector<HostMetrics>& hosts, ExpositionFormat format,
                       std::string_view version) {
  std::vector<std::string> labels;
  labels.reserve(hosts.size());
  for (const HostMetrics& host : hosts) {
    std::string& l = labels.emplace_back("host=\"");
    appendLabelValue(l, host.item);
    l += "\",address=\"";
    appendLabelValue(l, host.address);
    l += "\",caption=\"";
    appendLabelValue(l, host.caption);
    l += '"';
  }
  Writer w(format);
  w.family("tarvo_up", "gauge",
           "Whether the host is up (1) or down (0) by the monitor's rule of time-outs and "
           "replies in a row; absent until it has been judged.");
  for (std::size_t i = 0; i < hosts.size(); ++i) {
    if (hosts[i].state != HostState::Unknown) {
      w.sample("tarvo_up", labels[i], hosts[i].state == HostState::Up ? "1" : "0");
    }
  }
  w.family("tarvo_rtt_seconds", "histogram", "Round trips of the host's echo replies.", "seconds");
  for (std::size_t i = 0; i < hosts.size(); ++i) histogram(w, hosts[i], labels[i]);
  const struct {
    const char* name;
    const char* help;
    std::uint64_t HostMetrics::*count;
  } counters[] = {
      {"tarvo_requests_total",
       "Turns of the host: echo requests sent, and turns its name had no address for.",
       &HostMetrics::requests},
      {"tarvo_replies_total", "Echo replies from the host.", &HostMetrics::replies},
      {"tarvo_state_changes_total", "Times the host went down or came up again.",
       &HostMetrics::stateChanges},
  };
  for (const auto& counter : counters) {
    w.family(counter.name, "counter", counter.help);
    for (std::size_t i = 0; i < hosts.size(); ++i) {
      w.sample(counter.name, labels[i], std::to_string(hosts[i].*counter.count));
    }
  }
  std::string versionLabel = "version=\"";
  appendLabelValue(versionLabel, version);
  w.family("tarvo_build_info", "info", "The version of Tarvo serving these metrics.");
  w.sample("tarvo_build_info", versionLabel + "\"", "1");
  return w.finish();
}

}  // namespace tarvo::metrics
