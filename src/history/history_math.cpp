#include "history/history_math.h"

#include <algorithm>
#include <cmath>

namespace tarvo::history {

namespace {

constexpr TimeUs kMinuteUs = 60'000'000;

TimeUs minuteOf(TimeUs time) {
  // Floor, also before the epoch.
  TimeUs q = time / kMinuteUs;
  if (time % kMinuteUs < 0) --q;
  return q * kMinuteUs;
}

double ms(double us) { return us / 1000.0; }

// Fills the round-trip fields of a summary from sums over the replies.
void fillRoundTrips(Summary& s, double sumUs, double sumSquaresUs, std::uint64_t minUs,
                    std::uint64_t maxUs, std::uint64_t p95Us) {
  s.lossPercent = s.sent == 0 ? 0.0 : 100.0 * static_cast<double>(s.sent - s.received) / s.sent;
  if (s.received == 0) return;
  const double n = static_cast<double>(s.received);
  const double mean = sumUs / n;
  // The population deviation, as the peers' "mdev" is; never below 0 from
  // rounding.
  const double variance = std::max(0.0, sumSquaresUs / n - mean * mean);
  s.minMs = ms(static_cast<double>(minUs));
  s.avgMs = ms(mean);
  s.maxMs = ms(static_cast<double>(maxUs));
  s.mdevMs = ms(std::sqrt(variance));
  s.p95Ms = ms(static_cast<double>(p95Us));
}

// Feeds one result at a time to the down / up rule and keeps the outages.
class OutageTracker {
 public:
  explicit OutageTracker(StateThresholds thresholds) : tracker_(thresholds) {}

  void feed(bool replied, TimeUs start) {
    if (replied) {
      if (!runOfReplies_) runOfReplies_ = start;
      runOfTimeouts_.reset();
    } else {
      if (!runOfTimeouts_) runOfTimeouts_ = start;
      runOfReplies_.reset();
    }
    if (const auto change = tracker_.feed(replied)) {
      if (change->to == HostState::Down) {
        outages_.push_back(Outage{*runOfTimeouts_, std::nullopt});
      } else if (change->to == HostState::Up && !outages_.empty() && !outages_.back().end) {
        outages_.back().end = *runOfReplies_;
      }
    }
  }
  std::vector<Outage> take() { return std::move(outages_); }

 private:
  HostStateTracker tracker_;
  std::optional<TimeUs> runOfTimeouts_;
  std::optional<TimeUs> runOfReplies_;
  std::vector<Outage> outages_;
};

void addOutages(Summary& s, const std::vector<Outage>& outages, TimeUs lastSeen) {
  s.outages = outages.size();
  for (const Outage& o : outages) s.downSeconds += o.seconds(lastSeen);
}

}  // namespace

std::uint64_t percentile(std::vector<std::uint64_t>& values, double p) {
  if (values.empty()) return 0;
  // Nearest rank: the smallest value with at least p % at or below it.
  auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
  rank = std::clamp<std::size_t>(rank, 1, values.size());
  auto nth = values.begin() + static_cast<std::ptrdiff_t>(rank - 1);
  std::nth_element(values.begin(), nth, values.end());
  return *nth;
}

std::vector<Outage> outagesOf(std::span<const Result> results, StateThresholds thresholds) {
  OutageTracker tracker(thresholds);
  for (const Result& r : results) tracker.feed(r.rttUs.has_value(), r.time);
  return tracker.take();
}

std::vector<Outage> minuteOutagesOf(std::span<const Minute> minutes) {
  // Minutes do not keep the order of their results, so the rule cannot
  // count them: a minute without any reply is a minute down.
  OutageTracker tracker(StateThresholds{1, 1});
  for (const Minute& m : minutes) tracker.feed(m.received() > 0, m.start);
  return tracker.take();
}

Summary summarize(const HostKey& host, std::span<const Result> results,
                  StateThresholds thresholds) {
  Summary s;
  s.host = host;
  std::vector<std::uint64_t> rtts;
  rtts.reserve(results.size());
  double sum = 0;
  double sumSquares = 0;
  std::uint64_t minUs = 0;
  std::uint64_t maxUs = 0;
  for (const Result& r : results) {
    ++s.sent;
    if (!r.rttUs) continue;
    const std::uint64_t rtt = *r.rttUs;
    if (rtts.empty() || rtt < minUs) minUs = rtt;
    maxUs = std::max(maxUs, rtt);
    sum += static_cast<double>(rtt);
    sumSquares += static_cast<double>(rtt) * static_cast<double>(rtt);
    rtts.push_back(rtt);
  }
  s.received = rtts.size();
  const std::uint64_t p95 = percentile(rtts, 95);
  fillRoundTrips(s, sum, sumSquares, minUs, maxUs, p95);
  if (!results.empty()) addOutages(s, outagesOf(results, thresholds), results.back().time);
  return s;
}

std::vector<Minute> minutesOf(std::span<const Result> results) {
  std::vector<Minute> minutes;
  std::vector<std::uint64_t> rtts;
  auto close = [&] {
    if (minutes.empty()) return;
    minutes.back().p50Us = percentile(rtts, 50);
    minutes.back().p95Us = percentile(rtts, 95);
    rtts.clear();
  };
  for (const Result& r : results) {
    const TimeUs start = minuteOf(r.time);
    if (minutes.empty() || minutes.back().start != start) {
      close();
      minutes.push_back(Minute{.start = start});
    }
    Minute& m = minutes.back();
    ++m.count;
    if (!r.rttUs) {
      ++m.lost;
      continue;
    }
    const std::uint64_t rtt = *r.rttUs;
    if (rtts.empty() || rtt < m.minUs) m.minUs = rtt;
    m.maxUs = std::max(m.maxUs, rtt);
    m.sumUs += static_cast<double>(rtt);
    m.sumSquaresUs += static_cast<double>(rtt) * static_cast<double>(rtt);
    rtts.push_back(rtt);
  }
  close();
  return minutes;
}

Summary summarizeMinutes(const HostKey& host, std::span<const Minute> minutes) {
  Summary s;
  s.host = host;
  double sum = 0;
  double sumSquares = 0;
  std::uint64_t minUs = 0;
  std::uint64_t maxUs = 0;
  // Each minute's 95th percentile stands for its replies.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> p95s;
  for (const Minute& m : minutes) {
    s.sent += m.count;
    const std::uint32_t received = m.received();
    if (received == 0) continue;
    if (s.received == 0 || m.minUs < minUs) minUs = m.minUs;
    maxUs = std::max(maxUs, m.maxUs);
    s.received += received;
    sum += m.sumUs;
    sumSquares += m.sumSquaresUs;
    p95s.emplace_back(m.p95Us, received);
  }
  std::sort(p95s.begin(), p95s.end());
  std::uint64_t p95 = 0;
  const double need = 0.95 * static_cast<double>(s.received);
  double seen = 0;
  for (const auto& [value, weight] : p95s) {
    seen += weight;
    p95 = value;
    if (seen >= need) break;
  }
  fillRoundTrips(s, sum, sumSquares, minUs, maxUs, p95);
  if (!minutes.empty()) addOutages(s, minuteOutagesOf(minutes), minutes.back().start + kMinuteUs);
  return s;
}

}  // namespace tarvo::history
