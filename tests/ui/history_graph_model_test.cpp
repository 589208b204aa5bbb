// The history graphs without widgets: where samples land, how views move,
// and the texts of the tooltip and the export.
#include "ui/history_graph_model.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "ui/history_text.h"

namespace tarvo::ui {
namespace {

using history::TimeRange;
using history::TimeUs;

constexpr TimeUs kSecond = 1'000'000;
constexpr TimeUs kMinute = 60 * kSecond;
constexpr TimeUs kNow = 1'796'040'030LL * kSecond;  // 2026-11-30 12:00:30 UTC

history::Minute minute(TimeUs start, std::uint32_t lost) {
  history::Minute m;
  m.start = start;
  m.count = 6;
  m.lost = lost;
  m.minUs = 900;
  m.maxUs = 1500;
  m.sumUs = 1000.0 * (6 - lost);
  return m;
}

HistorySample total(const std::vector<HistorySample>& samples) {
  HistorySample sum;
  for (const HistorySample& s : samples) sum.merge(s);
  return sum;
}

// A day of minutes with a ten-minute outage, as a 24 h graph draws them:
// every minute lands in the column whose time holds it, and nothing is
// lost on the way, also when the minutes are merged for a long view.
TEST(HistoryGraphModel, EveryMinuteLandsInTheColumnOfItsTime) {
  const TimeRange day{kNow - 24 * 60 * kMinute, kNow};
  std::vector<HistorySample> samples;
  for (TimeUs t = day.from; t < day.to; t += kMinute) {
    const bool down = t >= kNow - 40 * kMinute && t < kNow - 30 * kMinute;
    samples.push_back(sampleOf(minute(t, down ? 6 : 0)));
  }
  samples.push_back(sampleOf(minute(kNow, 0)));  // after the view: left out
  HistoryGraphModel model(200);
  model.setSize(517, GraphLayout::kHeight, 17);
  model.setView(day);
  model.setSamples(reducedSamples(samples, day, 4096), true);
  const auto& columns = model.columns();
  ASSERT_EQ(columns.size(), 486u);  // 517 less the margins
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const TimeRange time = model.columnTime(i);
    EXPECT_EQ(time.from, i == 0 ? day.from : model.columnTime(i - 1).to);
    if (columns[i].count == 0) continue;
    EXPECT_GE(columns[i].start, time.from);
    EXPECT_LT(columns[i].start, time.to);
  }
  EXPECT_EQ(total(columns).count, 1440u * 6);
  EXPECT_EQ(total(columns).lost, 60u);
  // Only the columns wholly inside the outage have no band.
  EXPECT_LT(model.bandCount(), 486u);
  EXPECT_GE(model.bandCount(), 486u - 3);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].lost == 0) continue;
    const TimeRange time = model.columnTime(i);
    EXPECT_GT(time.to, kNow - 40 * kMinute);
    EXPECT_LE(time.from, kNow - 30 * kMinute);
  }
  EXPECT_GE(model.lossMarkCount(), 3u);

  // Merged into fewer slots, the totals and extremes stay.
  const auto merged = reducedSamples(samples, day, 100);
  EXPECT_LE(merged.size(), 100u);
  const HistorySample all = total(merged);
  EXPECT_EQ(all.count, 1440u * 6);
  EXPECT_EQ(all.lost, 60u);
  EXPECT_EQ(all.minUs, 900u);
  EXPECT_EQ(all.maxUs, 1500u);
}

TEST(HistoryGraphModel, RoundTripsAndLossesKeepToThePlot) {
  HistoryGraphModel model(100);
  model.setSize(400, GraphLayout::kHeight, 17);
  const GraphLayout& l = model.layout();
  EXPECT_EQ(model.yOf(0), l.plotBottom());
  EXPECT_EQ(model.yOf(100'000), l.fullScaleY());
  EXPECT_EQ(model.yOf(5'000'000), l.fullScaleY());  // slower than the wait: on the line
  HistoryColumn column{0, 4, 0, 0, 0, 0};
  EXPECT_EQ(model.lossHeight(column), 0);
  column.lost = 4;
  const int all = model.lossHeight(column);
  EXPECT_EQ(all, l.valueHeight() / 3);
  column.lost = 1;
  EXPECT_EQ(model.lossHeight(column), (all + 2) / 4);
}

TEST(HistoryGraphModel, ZoomKeepsTheTimeUnderThePointerAndNothingGoesPastNow) {
  const TimeRange hour{kNow - 60 * kMinute, kNow};
  struct Row {
    TimeRange view;
    double factor, anchor;
    TimeRange expected;
  };
  const Row rows[] = {
      {hour, 0.5, 0.5, {kNow - 45 * kMinute, kNow - 15 * kMinute}},
      {hour, 0.5, 1.0, {kNow - 30 * kMinute, kNow}},
      {hour, 0.0001, 0.0, {hour.from, hour.from + kMinute}},  // a minute at least
      {hour, 2.0, 0.5, {kNow - 120 * kMinute, kNow}},         // would end after now
  };
  for (const Row& row : rows) {
    const TimeRange out = zoomedView(row.view, row.factor, row.anchor, kNow);
    EXPECT_EQ(out.from, row.expected.from) << row.factor << " " << row.anchor;
    EXPECT_EQ(out.to, row.expected.to) << row.factor << " " << row.anchor;
  }
  EXPECT_EQ(pannedView(hour, -kMinute, kNow).to, kNow - kMinute);
  EXPECT_EQ(pannedView(pannedView(hour, -kMinute, kNow), 5 * kMinute, kNow).to, kNow);
}

class HistoryText : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

TEST_F(HistoryText, TheSummaryListsTheLastTenOutagesAndSaysHowManyMore) {
  history::Summary s;
  s.sent = 200;
  s.received = 150;
  s.lossPercent = 25;
  s.minMs = 0.5;
  s.avgMs = 1.25;
  s.maxMs = 3;
  s.mdevMs = 0.4;
  s.p95Ms = 2.5;
  s.outages = 12;
  s.downSeconds = 90'061;
  std::vector<history::Outage> outages;
  for (int i = 0; i < 11; ++i)
    outages.push_back({kNow + i * kMinute, kNow + i * kMinute + kSecond});
  outages.push_back({kNow + 20 * kMinute, std::nullopt});
  const std::string text = historySummaryText(s, outages, kNow + 25 * kMinute);
  EXPECT_EQ(text.substr(0, text.find("\n  ")),
            "sent 200, received 150, loss 25.00 %\n"
            "min/avg/max/mdev 0.500/1.250/3.000/0.400 ms, p95 2.500 ms\n"
            "outages 12, down 1 d 01:01:01");
  EXPECT_EQ(text.find("12:01:30"), std::string::npos);  // the oldest two are left out
  EXPECT_NE(text.find("\n  2026-11-30 12:02:30 - 2026-11-30 12:02:31  00:00:01\n"),
            std::string::npos);
  EXPECT_TRUE(text.ends_with("\n  2026-11-30 12:20:30 - now  00:05:00\n  and 2 more")) << text;
}

TEST_F(HistoryText, TheExportQuotesWhatNeedsItAndLeavesALossEmpty) {
  const std::vector<history::Result> results{{kNow + 5, 1500, 0}, {kNow + kSecond, {}, 11010}};
  EXPECT_EQ(historyCsv({"a \"b\", c", "10.0.0.1"}, results),
            "time,host,address,rtt_ms,status\r\n"
            "2026-11-30T12:00:30.000005Z,\"a \"\"b\"\", c\",10.0.0.1,1.500,0\r\n"
            "2026-11-30T12:00:31.000000Z,\"a \"\"b\"\", c\",10.0.0.1,,11010\r\n");
}

TEST_F(HistoryText, AColumnTellsItsResultOrItsSpread) {
  HistoryGraphModel model(1000);
  model.setSize(112, GraphLayout::kHeight, 17);  // 81 columns
  model.setView({kNow, kNow + 81 * kSecond});
  model.setSamples({sampleOf(history::Result{kNow + 2 * kSecond, 23'400, 0}),
                    sampleOf(history::Result{kNow + 3 * kSecond, {}, 11010})},
                   false);
  EXPECT_EQ(historyColumnText(model, 2), "12:00:32  23.400 ms");
  EXPECT_EQ(historyColumnText(model, 3), "12:00:33  lost");
  EXPECT_EQ(historyColumnText(model, 4), "");
  model.setView({kNow, kNow + 81 * 2 * kSecond});  // both in one column
  EXPECT_EQ(historyColumnText(model, 1),
            "12:00:32 - 12:00:34  23.400 / 23.400 / 23.400 ms, 1 of 2 lost");
}

}  // namespace
}  // namespace tarvo::ui
