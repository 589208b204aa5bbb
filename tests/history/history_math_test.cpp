#include "history/history_math.h"

#include <gtest/gtest.h>

namespace tarvo::history {
namespace {

constexpr TimeUs kSecond = 1'000'000;

// Results one second apart from t = 0: a digit is a reply with that many
// milliseconds, "." a time-out.
std::vector<Result> series(const std::string& pattern, TimeUs start = 0) {
  std::vector<Result> out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    Result r{start + static_cast<TimeUs>(i) * kSecond, std::nullopt, 11010};
    if (pattern[i] != '.') {
      r.rttUs = static_cast<std::uint64_t>(pattern[i] - '0') * 1000;
      r.status = 0;
    }
    out.push_back(r);
  }
  return out;
}

TEST(HistoryMathTest, SummaryCountsRoundTripsAndNearestRankPercentile) {
  const auto results = series("1234..5678");
  const Summary s = summarize({"h", "127.0.0.1"}, results, {3, 1});
  EXPECT_EQ(s.sent, 10u);
  EXPECT_EQ(s.received, 8u);
  EXPECT_DOUBLE_EQ(s.lossPercent, 20.0);
  EXPECT_DOUBLE_EQ(*s.minMs, 1.0);
  EXPECT_DOUBLE_EQ(*s.maxMs, 8.0);
  EXPECT_DOUBLE_EQ(*s.avgMs, 4.5);
  EXPECT_NEAR(*s.mdevMs, 2.2913, 1e-4);  // population deviation of 1..8
  EXPECT_DOUBLE_EQ(*s.p95Ms, 8.0);       // rank ceil(0.95 * 8) = 8
  EXPECT_EQ(s.outages, 0u);              // two time-outs stay under the rule's three

  const Summary none = summarize({"h", ""}, series("...."), {3, 1});
  EXPECT_EQ(none.received, 0u);
  EXPECT_DOUBLE_EQ(none.lossPercent, 100.0);
  EXPECT_FALSE(none.avgMs || none.p95Ms || none.mdevMs);

  std::vector<std::uint64_t> values{50, 10, 40, 20, 30};
  EXPECT_EQ(percentile(values, 50), 30u);
  EXPECT_EQ(percentile(values, 100), 50u);
  std::vector<std::uint64_t> empty;
  EXPECT_EQ(percentile(empty, 95), 0u);
}

TEST(HistoryMathTest, OutagesFollowTheDownUpRule) {
  // Down after three time-outs: the outage starts at the first of them and
  // ends at the first reply of the run that brings the host up.
  auto o = outagesOf(series("11...1..."), {3, 1});
  ASSERT_EQ(o.size(), 2u);
  EXPECT_EQ(o[0].start, 2 * kSecond);
  EXPECT_EQ(o[0].end, 5 * kSecond);
  EXPECT_EQ(o[1].start, 6 * kSecond);
  EXPECT_FALSE(o[1].end);  // still down
  EXPECT_DOUBLE_EQ(o[1].seconds(8 * kSecond), 2.0);

  // Up only after two replies in a row: a single reply in between does not
  // end the outage, and its start is not moved.
  o = outagesOf(series("...1..11"), {3, 2});
  ASSERT_EQ(o.size(), 1u);
  EXPECT_EQ(o[0].start, 0);
  EXPECT_EQ(o[0].end, 6 * kSecond);

  const Summary s = summarize({"h", ""}, series("11...1..."), {3, 1});
  EXPECT_EQ(s.outages, 2u);
  EXPECT_DOUBLE_EQ(s.downSeconds, 5.0);  // 3 s closed plus 2 s still open
}

TEST(HistoryMathTest, MinutesKeepWhatTheSummaryNeeds) {
  // 90 results over two minutes: the first minute all replies, then loss.
  std::string pattern(60, '2');
  pattern += std::string(20, '4') + std::string(10, '.');
  const auto results = series(pattern);
  const auto minutes = minutesOf(results);
  ASSERT_EQ(minutes.size(), 2u);
  EXPECT_EQ(minutes[1].start, 60 * kSecond);
  EXPECT_EQ(minutes[1].count, 30u);
  EXPECT_EQ(minutes[1].lost, 10u);
  EXPECT_EQ(minutes[1].p95Us, 4000u);
  EXPECT_DOUBLE_EQ(minutes[1].avgUs(), 4000.0);

  // From minutes, counts, extremes, mean and deviation are what the raw
  // results give.
  const Summary raw = summarize({"h", ""}, results, {3, 1});
  const Summary fromMinutes = summarizeMinutes({"h", ""}, minutes);
  EXPECT_EQ(fromMinutes.sent, raw.sent);
  EXPECT_EQ(fromMinutes.received, raw.received);
  EXPECT_DOUBLE_EQ(*fromMinutes.minMs, *raw.minMs);
  EXPECT_DOUBLE_EQ(*fromMinutes.maxMs, *raw.maxMs);
  EXPECT_DOUBLE_EQ(*fromMinutes.avgMs, *raw.avgMs);
  EXPECT_NEAR(*fromMinutes.mdevMs, *raw.mdevMs, 1e-9);

  // A minute without any reply is a minute down.
  const auto gap = minutesOf(series(std::string(60, '1') + std::string(60, '.') + "1", 0));
  const auto o = minuteOutagesOf(gap);
  ASSERT_EQ(o.size(), 1u);
  EXPECT_EQ(o[0].start, 60 * kSecond);
  EXPECT_EQ(o[0].end, 120 * kSecond);
}

}  // namespace
}  // namespace tarvo::history
