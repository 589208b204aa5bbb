#include "watch/watch_items.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvo {
namespace {

using Items = std::vector<WatchItem>;

TEST(WatchItems, SortPutsAddressesInNumericOrderThenNamesKeepingChecks) {
  Items items{{"192.168.1.20", true},
              {"alpha", false},
              {"192.168.1.3", false},
              {"Beta", true},
              {"10.0.0.1", true}};
  EXPECT_EQ(sortedWatchList(items), (Items{{"10.0.0.1", true},
                                           {"192.168.1.3", false},
                                           {"192.168.1.20", true},
                                           {"alpha", false},
                                           {"Beta", true}}));
}

TEST(WatchItems, OnlyFourDecimalFieldsUpTo255AreAddresses) {
  Items items{{"1.2.3", true},
              {"192.168.001.010", false},
              {"1.2.3.4.5", true},
              {"1.2.3.256", true},
              {"0010.0.0.1", true}};
  Items sorted = sortedWatchList(items);
  ASSERT_EQ(sorted.size(), 5u);
  EXPECT_EQ(sorted[0], (WatchItem{"10.0.0.1", true}));
  EXPECT_EQ(sorted[1], (WatchItem{"192.168.1.10", false}));
  // The names keep their texts; their order is the locale's.
  std::vector<std::string> names{sorted[2].text, sorted[3].text, sorted[4].text};
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"1.2.3", "1.2.3.256", "1.2.3.4.5"}));
  EXPECT_FALSE(watchAddressFields("a.b.c.d"));
  EXPECT_FALSE(watchAddressFields("1..2.3"));
  EXPECT_FALSE(watchAddressFields("1.2.3."));
}

TEST(WatchItems, FindIgnoresCaseAndCounterCountsChecks) {
  Items items{{"host1", true}, {"b", false}, {"c", false}};
  EXPECT_EQ(findWatchItem(items, "HOST1"), 0u);
  EXPECT_FALSE(findWatchItem(items, "host"));
  EXPECT_EQ(watchCounterText(items), "  Watch List (Total/Checked/Unchecked): 3/1/2");
  EXPECT_EQ(watchCounterText({}), "");
}

}  // namespace
}  // namespace tarvo
