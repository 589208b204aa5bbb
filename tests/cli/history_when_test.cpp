#include "cli/history_when.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

namespace tarvo::cli {
namespace {

constexpr history::TimeUs kSecond = 1'000'000;
constexpr history::TimeUs k14h = 1'796'652'000 * kSecond;  // 2026-12-07T14:00:00Z
constexpr history::TimeUs kNow = k14h + 3600 * kSecond;

TEST(HistoryWhen, DurationsAndIsoTimesGiveTheirMoment) {
  // Local times are read in a zone five hours west of UTC, without summer time.
  setenv("TZ", "EST5", 1);
  tzset();
  struct Row {
    const char* text;
    history::TimeUs expected;
  };
  for (const Row& row : std::initializer_list<Row>{
           {"90s", kNow - 90 * kSecond},
           {"15m", kNow - 900 * kSecond},
           {"2h", kNow - 7200 * kSecond},
           {"7d", kNow - 7 * 86400 * kSecond},
           {"2026-12-07T14:00:00Z", k14h},
           {"2026-12-07T14:00Z", k14h},
           {"2026-12-07T14:00:00.123Z", k14h + 123'000},
           {"2026-12-07T14:00:00.1234567Z", k14h + 123'456},
           {"2026-12-07T15:00:00+01:00", k14h},
           {"2026-12-07T08:30:00-05:30", k14h},
           {"2026-12-07T09:00:00", k14h},              // local
           {"2026-12-07", k14h - 9 * 3600 * kSecond},  // local midnight
           {"2024-02-29", 1'709'182'800 * kSecond},
           {"1969-12-31T23:59:59Z", -kSecond},
       }) {
    EXPECT_EQ(parseWhen(row.text, kNow), row.expected) << row.text;
  }
}

TEST(HistoryWhen, AnythingElseIsNoTime) {
  for (const char* text : {"",
                           "0s",
                           "-5m",
                           "+5m",
                           "5",
                           "5w",
                           "1.5h",
                           "m",
                           "2 h",
                           "99999999999999999999d",
                           "yesterday",
                           "2026-12-7",
                           "2026-13-01",
                           "2026-02-29",
                           "2026-12-32",
                           "2026-12-07T24:00:00Z",
                           "2026-12-07T14:60Z",
                           "2026-12-07T14Z",
                           "2026-12-07T14:00:00.Z",
                           "2026-12-07T14:00:00+0100",
                           "2026-12-07T14:00:00+24:00",
                           "2026-12-07T14:00:00Zx",
                           "2026-12-07 14:00:00"}) {
    EXPECT_EQ(parseWhen(text, kNow), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace tarvo::cli
