#include "history/history_store.h"

#include <gtest/gtest.h>

#include "history/history_math.h"

namespace tarvo::history {
namespace {

constexpr TimeUs kSecond = 1'000'000;
constexpr TimeUs kMinute = 60 * kSecond;
constexpr TimeUs kDay = 1440 * kMinute;
// A day boundary far from the epoch, as real times are.
constexpr TimeUs kT0 = 20'000 * kDay;

const HostKey kAnswering{"gateway", "198.18.0.1"};
const HostKey kSilent{"198.18.9.9", "198.18.9.9"};

// `seconds` results of both hosts one second apart from `start`; the
// answering host replies in 1..5 ms, the silent one never.
std::vector<Recorded> day(TimeUs start, int seconds) {
  std::vector<Recorded> out;
  for (int i = 0; i < seconds; ++i) {
    const TimeUs t = start + i * kSecond;
    out.push_back({kAnswering, {t, static_cast<std::uint64_t>(1000 + (i % 5) * 1000), 0}});
    out.push_back({kSilent, {t, std::nullopt, 11010}});
  }
  return out;
}

// Upkeep until it has nothing left, as the writer runs it between writes.
void upkeep(HistoryStore& store, TimeUs now, Retention retention) {
  for (int steps = 0; store.maintain(now, retention, 500); ++steps) ASSERT_LT(steps, 100000);
  ASSERT_EQ(store.error(), "");
}

TEST(HistoryStoreTest, ResultsReadBackByHostAndRange) {
  auto store = HistoryStore::openMemory();
  ASSERT_TRUE(store->write(day(kT0, 600)));
  EXPECT_EQ(store->hosts(), (std::vector<HostKey>{kSilent, kAnswering}));
  const std::vector<std::string> byAddress{"198.18.0.1"};
  EXPECT_EQ(store->hosts(byAddress), std::vector<HostKey>{kAnswering});
  EXPECT_TRUE(store->hosts(std::vector<std::string>{"nobody"}).empty());

  const auto some = store->results(kAnswering, {kT0 + 10 * kSecond, kT0 + 20 * kSecond});
  ASSERT_EQ(some.size(), 10u);  // the end is not included
  EXPECT_EQ(some.front().time, kT0 + 10 * kSecond);
  EXPECT_EQ(some.front().rttUs, 1000u);
  EXPECT_TRUE(store->results({"other", ""}, {kT0, kT0 + kDay}).empty());

  // From the beginning of time or from the first result: the same.
  for (const TimeUs from : {TimeUs{0}, kT0}) {
    const Summary silent = store->summary(kSilent, {from, kT0 + kDay}, {3, 1});
    EXPECT_DOUBLE_EQ(silent.lossPercent, 100.0);
    EXPECT_EQ(silent.outages, 1u);
    EXPECT_DOUBLE_EQ(silent.downSeconds, 599.0);  // to the last result, still down
  }
  const auto outages = store->outages(kSilent, {kT0, kT0 + kDay}, {3, 1});
  ASSERT_EQ(outages.size(), 1u);
  EXPECT_EQ(outages[0].start, kT0);
  EXPECT_FALSE(outages[0].end);
  EXPECT_EQ(store->span()->from, kT0);
}

TEST(HistoryStoreTest, UpkeepKeepsMinutesAfterRawResultsGo) {
  auto store = HistoryStore::openMemory();
  ASSERT_TRUE(store->write(day(kT0, 3600)));
  const TimeRange hour{kT0, kT0 + 3600 * kSecond};
  const Summary before = store->summary(kAnswering, hour, {3, 1});
  const auto minutesBefore = store->minutes(kAnswering, hour);
  ASSERT_EQ(minutesBefore.size(), 60u);

  // Within the raw retention, upkeep only turns finished minutes into rows:
  // the graphs' minutes are the same whichever way they are read.
  upkeep(*store, kT0 + kDay, {2, 90});
  EXPECT_EQ(store->results(kAnswering, hour).size(), 3600u);
  const auto minutesKept = store->minutes(kAnswering, hour);
  ASSERT_EQ(minutesKept.size(), 60u);
  EXPECT_EQ(minutesKept[59].start, minutesBefore[59].start);
  EXPECT_EQ(minutesKept[59].p95Us, minutesBefore[59].p95Us);

  // Past it, raw results go and the summary comes from minutes.
  upkeep(*store, kT0 + 3 * kDay, {2, 90});
  EXPECT_TRUE(store->results(kAnswering, hour).empty());
  const Summary after = store->summary(kAnswering, hour, {3, 1});
  EXPECT_EQ(after.sent, before.sent);
  EXPECT_EQ(after.received, before.received);
  EXPECT_DOUBLE_EQ(*after.avgMs, *before.avgMs);
  EXPECT_NEAR(*after.mdevMs, *before.mdevMs, 1e-9);
  const Summary silent = store->summary(kSilent, hour, {3, 1});
  EXPECT_EQ(silent.outages, 1u);
  EXPECT_DOUBLE_EQ(silent.downSeconds, 3600.0);  // whole minutes down

  // New results after the old ones are gone: minutes read from both kinds.
  ASSERT_TRUE(store->write(day(kT0 + 3 * kDay, 120)));
  const auto both = store->minutes(kAnswering, {kT0, kT0 + 4 * kDay});
  EXPECT_EQ(both.size(), 62u);

  // Past the minute retention, nothing of that hour is left.
  upkeep(*store, kT0 + 91 * kDay, {2, 90});
  EXPECT_TRUE(store->minutes(kAnswering, hour).empty());
}

}  // namespace
}  // namespace tarvo::history
