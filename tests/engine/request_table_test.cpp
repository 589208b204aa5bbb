#include "engine/request_table.h"

#include <gtest/gtest.h>

#include <random>
#include <unordered_map>

namespace tarvo {
namespace {

// Requests come and go in any order, with keys that crowd together (one
// identifier, running sequences) and keys that collide in their home slot:
// after every step the table holds exactly what a plain map holds.
TEST(RequestTable, HoldsWhatAPlainMapHoldsThroughAnyMixOfInsertsAndErases) {
  std::mt19937 random(11);
  RequestTable<int> table;
  std::unordered_map<std::uint32_t, int*> expected;
  std::vector<int> values(64);
  // Half the keys from a narrow band, so probes run long; a fixed set, so
  // the table stays about as full as it gets and erases often shift
  // entries across the end of the array.
  std::vector<std::uint32_t> keys;
  for (std::uint32_t k = 0; k < 2000; ++k) keys.push_back(0x1234'0000u + k);
  for (int k = 0; k < 2000; ++k) keys.push_back(static_cast<std::uint32_t>(random()));
  for (int round = 0; round < 200000; ++round) {
    const std::uint32_t key = keys[random() % keys.size()];
    int* value = &values[random() % values.size()];
    if (random() % 2 == 0) {
      EXPECT_EQ(table.erase(key), expected.erase(key) == 1);
    } else {
      EXPECT_EQ(table.insert(key, value), expected.emplace(key, value).second);
    }
    if (round % 1000 == 0) {
      for (const auto& [k, v] : expected) ASSERT_EQ(table.find(k), v);
    }
    ASSERT_EQ(table.size(), expected.size());
    ASSERT_EQ(table.find(key), expected.count(key) ? expected[key] : nullptr);
  }
  // Many small, crowded tables: their clusters often run over the end of
  // the array, where an erase must not move an entry before its home.
  for (int trial = 0; trial < 20000; ++trial) {
    RequestTable<int> small;
    std::unordered_map<std::uint32_t, int*> smallExpected;
    std::uint32_t few[7];
    for (auto& k : few) k = static_cast<std::uint32_t>(random());
    for (int op = 0; op < 30; ++op) {
      const std::uint32_t key = few[random() % 7];
      if (random() % 3 == 0) {
        ASSERT_EQ(small.erase(key), smallExpected.erase(key) == 1);
      } else {
        ASSERT_EQ(small.insert(key, &values[0]), smallExpected.emplace(key, &values[0]).second);
      }
      for (const std::uint32_t k : few) {
        ASSERT_EQ(small.find(k) != nullptr, smallExpected.count(k) == 1) << "trial " << trial;
      }
    }
  }
  // Emptied, it finds nothing and takes keys again.
  for (const auto& [k, v] : expected) ASSERT_TRUE(table.erase(k));
  EXPECT_EQ(table.size(), 0u);
  EXPECT_EQ(table.find(0x1234'0000u), nullptr);
  EXPECT_TRUE(table.insert(0, &values[0]));
  EXPECT_EQ(table.find(0), &values[0]);
}

}  // namespace
}  // namespace tarvo
