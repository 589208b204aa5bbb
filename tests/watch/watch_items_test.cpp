#include "watch/watch_items.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

using Items = std::vector<WatchItem>;

// Only four decimal fields up to 255 make an address; the names keep their
// texts and follow in the locale's order.
TEST(WatchItems, SortPutsAddressesInNumericOrderThenNamesKeepingChecks) {
  Items items{{"192.168.1.20", true},
              {"alpha", false},
              {"192.168.001.010", false},
              {"1.2.3.256", true},
              {"0010.0.0.1", true}};
  EXPECT_EQ(sortedWatchList(items), (Items{{"10.0.0.1", true},
                                           {"192.168.1.10", false},
                                           {"192.168.1.20", true},
                                           {"1.2.3.256", true},
                                           {"alpha", false}}));
  EXPECT_FALSE(watchAddressFields("1..2.3"));
}

TEST(WatchItems, FindIgnoresCaseAndCounterCountsChecks) {
  Items items{{"host1", true}, {"b", false}, {"c", false}};
  EXPECT_EQ(findWatchItem(items, "HOST1"), 0u);
  EXPECT_FALSE(findWatchItem(items, "host"));
  EXPECT_EQ(watchCounterText(items), "  Watch List (Total/Checked/Unchecked): 3/1/2");
}

}  // namespace
}  // namespace tarvo
