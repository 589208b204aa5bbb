#include "ui/history_graph_model.h"

#include <algorithm>
#include <cmath>

namespace tarvo::ui {

namespace {

constexpr history::TimeUs kMinuteUs = 60LL * 1'000'000;

// Which of `slots` equal parts of the range `t` falls in; none outside it.
std::optional<std::size_t> slotOf(history::TimeUs t, history::TimeRange range, std::size_t slots) {
  if (t < range.from || t >= range.to || slots == 0) return std::nullopt;
  const auto offset = static_cast<long double>(t - range.from);
  const auto length = static_cast<long double>(range.to - range.from);
  return std::min(slots - 1, static_cast<std::size_t>(offset * slots / length));
}

}  // namespace

history::TimeUs rangeLength(GraphRange range) {
  switch (range) {
    case GraphRange::FiveMinutes:
      return 5 * kMinuteUs;
    case GraphRange::OneHour:
      return 60 * kMinuteUs;
    case GraphRange::OneDay:
      return 24 * 60 * kMinuteUs;
    case GraphRange::SevenDays:
      return 7 * 24 * 60 * kMinuteUs;
    case GraphRange::Live:
    case GraphRange::All:
      break;
  }
  return 0;
}

void HistorySample::merge(const HistorySample& other) {
  if (other.received() > 0) {
    minUs = received() > 0 ? std::min(minUs, other.minUs) : other.minUs;
    maxUs = received() > 0 ? std::max(maxUs, other.maxUs) : other.maxUs;
    sumUs += other.sumUs;
  }
  count += other.count;
  lost += other.lost;
}

HistorySample sampleOf(const history::Result& result) {
  HistorySample s{result.time, 1, result.rttUs ? 0u : 1u, 0, 0, 0};
  if (result.rttUs) {
    s.minUs = s.maxUs = *result.rttUs;
    s.sumUs = static_cast<double>(*result.rttUs);
  }
  return s;
}

HistorySample sampleOf(const history::Minute& m) {
  return HistorySample{m.start, m.count, m.lost, m.minUs, m.maxUs, m.sumUs};
}

std::vector<HistorySample> reducedSamples(std::vector<HistorySample> samples,
                                          history::TimeRange view, std::size_t most) {
  std::erase_if(samples,
                [&](const HistorySample& s) { return s.start < view.from || s.start >= view.to; });
  if (samples.size() <= most) return samples;
  std::vector<HistorySample> slots;
  std::optional<std::size_t> current;
  for (const HistorySample& s : samples) {
    const auto slot = slotOf(s.start, view, most);
    if (slot != current) {
      current = slot;
      slots.push_back(s);
    } else {
      slots.back().merge(s);
    }
  }
  return slots;
}

HistoryGraphModel::HistoryGraphModel(std::uint32_t maxMs)
    : maxMs_(std::max<std::uint32_t>(maxMs, 1)) {
  rebuild();
}

bool HistoryGraphModel::setSize(int width, int height, int labelWidth) {
  if (!layout_.resize(width, height, labelWidth)) return false;
  rebuild();
  return true;
}

void HistoryGraphModel::setView(history::TimeRange view) {
  view_ = view.to > view.from ? view : history::TimeRange{view.from, view.from + 1};
  rebuild();
}

void HistoryGraphModel::setSamples(std::vector<HistorySample> samples, bool perMinute) {
  samples_ = std::move(samples);
  perMinute_ = perMinute;
  rebuild();
}

void HistoryGraphModel::rebuild() {
  const int width = std::max(0, layout_.plotRight() - layout_.plotLeft());
  columns_.assign(static_cast<std::size_t>(width), HistoryColumn{});
  for (const HistorySample& s : samples_) {
    const auto i = slotOf(s.start, view_, columns_.size());
    if (!i) continue;
    // A column starts at its first sample, so a lone result keeps its time.
    if (columns_[*i].count == 0) {
      columns_[*i] = s;
    } else {
      columns_[*i].merge(s);
    }
  }
}

std::size_t HistoryGraphModel::bandCount() const {
  return static_cast<std::size_t>(
      std::ranges::count_if(columns_, [](const HistoryColumn& c) { return c.received() > 0; }));
}

std::size_t HistoryGraphModel::lossMarkCount() const {
  return static_cast<std::size_t>(
      std::ranges::count_if(columns_, [](const HistoryColumn& c) { return c.lost > 0; }));
}

std::optional<std::size_t> HistoryGraphModel::columnAt(int x) const {
  if (x < layout_.plotLeft() || x >= layout_.plotLeft() + static_cast<int>(columns_.size())) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(x - layout_.plotLeft());
}

history::TimeRange HistoryGraphModel::columnTime(std::size_t column) const {
  const auto length = static_cast<long double>(view_.to - view_.from);
  const auto n = static_cast<long double>(std::max<std::size_t>(columns_.size(), 1));
  // The same rounding as slotOf's, so a sample lands in the column whose
  // time holds it.
  auto edge = [&](std::size_t i) {
    return view_.from + static_cast<history::TimeUs>(std::ceil(i * length / n));
  };
  return {edge(column), edge(column + 1)};
}

history::TimeUs HistoryGraphModel::timeAt(int x) const {
  const int width = std::max(1, layout_.plotRight() - layout_.plotLeft());
  const double share = std::clamp(static_cast<double>(x - layout_.plotLeft()) / width, 0.0, 1.0);
  return view_.from +
         static_cast<history::TimeUs>(share * static_cast<double>(view_.to - view_.from));
}

int HistoryGraphModel::yOf(double us) const {
  const double ms = std::clamp(us / 1000.0, 0.0, static_cast<double>(maxMs_));
  const int height = std::max(layout_.valueHeight(), 0);
  return layout_.plotBottom() - static_cast<int>(std::lround(ms * height / maxMs_));
}

int HistoryGraphModel::lossHeight(const HistoryColumn& column) const {
  if (column.lost == 0 || column.count == 0) return 0;
  const double share = static_cast<double>(column.lost) / column.count;
  const int most = std::max(1, layout_.valueHeight() / 3);
  return std::max(1, static_cast<int>(std::lround(share * most)));
}

history::TimeRange zoomedView(history::TimeRange view, double factor, double anchor,
                              history::TimeUs now) {
  const auto length = static_cast<double>(view.to - view.from);
  const double scaled = std::max(static_cast<double>(kShortestViewUs), length * factor);
  const double at = static_cast<double>(view.from) + std::clamp(anchor, 0.0, 1.0) * length;
  history::TimeRange out{static_cast<history::TimeUs>(at - anchor * scaled), 0};
  out.to = out.from + static_cast<history::TimeUs>(scaled);
  return pannedView(out, 0, now);
}

history::TimeRange pannedView(history::TimeRange view, history::TimeUs by, history::TimeUs now) {
  const history::TimeUs shift = std::min(by, now - view.to);
  return {view.from + shift, view.to + shift};
}

}  // namespace tarvo::ui
