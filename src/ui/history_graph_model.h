#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "history/history_types.h"
#include "ui/green_black_model.h"

namespace tarvo::ui {

// The time ranges the Watch tab's graphs show, in the chooser's order; Live
// is the strip chart of the running monitor, the others come from the
// history file and end now.
enum class GraphRange { Live, FiveMinutes, OneHour, OneDay, SevenDays, All };
// The length of a fixed range in µs; 0 for Live and All.
history::TimeUs rangeLength(GraphRange range);

// Views longer than this are drawn from the per-minute rows, shorter ones
// from every result.
inline constexpr history::TimeUs kRawViewLimitUs = 90LL * 60 * 1'000'000;
inline bool viewUsesMinutes(history::TimeRange view) {
  return view.to - view.from > kRawViewLimitUs;
}
// Zooming in stops at a minute.
inline constexpr history::TimeUs kShortestViewUs = 60LL * 1'000'000;

// A stretch of results merged: one result, one minute or a few of them.
struct HistorySample {
  history::TimeUs start = 0;
  std::uint32_t count = 0;
  std::uint32_t lost = 0;
  std::uint64_t minUs = 0;  // over the replies, as maxUs and sumUs
  std::uint64_t maxUs = 0;
  double sumUs = 0;
  std::uint32_t received() const { return count - lost; }
  double avgUs() const { return received() > 0 ? sumUs / received() : 0.0; }
  // Takes `other` into this one; the start stays.
  void merge(const HistorySample& other);
};

HistorySample sampleOf(const history::Result& result);
HistorySample sampleOf(const history::Minute& minute);
// Samples in time order merged into at most `most` slots of equal time
// across `view` (those outside it go), so a long view costs a bounded
// amount of memory however much the file holds.
std::vector<HistorySample> reducedSamples(std::vector<HistorySample> samples,
                                          history::TimeRange view, std::size_t most);

// One pixel column of a history graph: the samples that start in it merged,
// starting at the first one's time.
using HistoryColumn = HistorySample;

// A host's history graph without any drawing: which samples fall into
// which pixel column of the plot for the time shown, and where each lands.
// The plot's right edge is the view's end.
class HistoryGraphModel {
 public:
  // `maxMs` is the full scale, the monitor's reply wait as on the strip chart.
  explicit HistoryGraphModel(std::uint32_t maxMs);

  std::uint32_t maxValue() const { return maxMs_; }
  const GraphLayout& layout() const { return layout_; }
  // As the strip chart's; returns whether anything changed.
  bool setSize(int width, int height, int labelWidth);

  history::TimeRange view() const { return view_; }
  void setView(history::TimeRange view);
  // The data in time order; perMinute: drawn as bands rather than dots.
  void setSamples(std::vector<HistorySample> samples, bool perMinute);
  bool perMinute() const { return perMinute_; }

  // One per pixel column of the plot, left to right; count 0 where none.
  const std::vector<HistoryColumn>& columns() const { return columns_; }
  // Columns with a reply (drawn as a band or a dot), and with a loss
  // (marked at the bottom).
  std::size_t bandCount() const;
  std::size_t lossMarkCount() const;
  int columnX(std::size_t column) const { return layout_.plotLeft() + static_cast<int>(column); }
  std::optional<std::size_t> columnAt(int x) const;
  // The time a column covers; `to` not included.
  history::TimeRange columnTime(std::size_t column) const;
  // The time at x, within the view.
  history::TimeUs timeAt(int x) const;

  // The pixel row of a round trip; longer ones sit on the full-scale line.
  int yOf(double us) const;
  // Rows of the loss mark above the zero line: a share of a third of the
  // plot, as the column's share of lost results; at least one row.
  int lossHeight(const HistoryColumn& column) const;

 private:
  void rebuild();

  std::uint32_t maxMs_;
  GraphLayout layout_;
  history::TimeRange view_{0, 1};
  std::vector<HistorySample> samples_;
  bool perMinute_ = false;
  std::vector<HistoryColumn> columns_;
};

// The view `factor` times as long (below 1: shorter) around the time at
// `anchor` (0 its start .. 1 its end), at least kShortestViewUs long and
// ending no later than `now`.
history::TimeRange zoomedView(history::TimeRange view, double factor, double anchor,
                              history::TimeUs now);
// The view moved by `by` µs (negative: back in time), ending no later than
// `now`.
history::TimeRange pannedView(history::TimeRange view, history::TimeUs by, history::TimeUs now);

}  // namespace tarvo::ui
