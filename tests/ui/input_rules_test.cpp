#include "ui/input_rules.h"

#include <gtest/gtest.h>

#include "ui/green_black_model.h"

namespace tarvo::ui {
namespace {

std::uint32_t repaired(PingField field, bool range, const char* text) {
  return repairPingField(field, range, text).value;
}

// The limits themselves are the rules table's; here only that each field
// and mode finds its own rule.
TEST(PingFieldRepair, EachFieldAndModeHasItsOwnRule) {
  EXPECT_EQ(repaired(PingField::Count, false, "abc"), 4u);
  EXPECT_EQ(repaired(PingField::Count, true, "abc"), 1u);
  EXPECT_EQ(repaired(PingField::Count, false, "0"), 0u);  // endless
  EXPECT_EQ(repaired(PingField::Count, true, "0"), 1u);
  EXPECT_EQ(repaired(PingField::Wait, true, "0"), 1u);
  EXPECT_EQ(repaired(PingField::DataBytes, false, "70000"), 65500u);
  EXPECT_EQ(repaired(PingField::DataBytes, true, "5"), 18u);
}

TEST(HostHistory, NewestLastWithoutCaseDuplicates) {
  std::vector<std::string> history{"server1", "alpha"};
  updateHostHistory(history, "Server1", 2);  // a move never drops an entry
  EXPECT_EQ(history, (std::vector<std::string>{"alpha", "server1"}));
}

TEST(GreenBlackModel, TipShowsTimeAndRoundTripOrTimeout) {
  std::tm t{};
  t.tm_hour = 14, t.tm_min = 3, t.tm_sec = 27, t.tm_mday = 6, t.tm_year = 126, t.tm_isdst = -1;
  GraphColumn column{.time = std::chrono::system_clock::from_time_t(std::mktime(&t)), .count = 1};
  column.points[0] = graphPoint({}, 1000);
  EXPECT_EQ(GreenBlackModel::tipText(column), "14:03:27  timeout");
  column.points[1] = graphPoint(WatchResult{.replied = true, .roundTripUs = 2'500'000},
                                1000);  // late replies tell their real time
  column.count = 2;
  EXPECT_EQ(GreenBlackModel::tipText(column), "14:03:27  timeout, 2500 ms");
}

}  // namespace
}  // namespace tarvo::ui
