#include "settings/field_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "settings/settings.h"

namespace tarvo::settings {
namespace {

TEST(FieldRules, EveryDefaultIsAValueItsOwnFieldKeeps) {
  std::set<std::string> names;
  for (const FieldRule* rule : kFieldRules) {
    SCOPED_TRACE(std::string(rule->storedName));
    EXPECT_LE(rule->minimum, rule->maximum);
    EXPECT_GE(rule->defaultValue, rule->minimum);
    EXPECT_LE(rule->defaultValue, rule->maximum);
    // The default typed back in is taken as it is, and the limits too.
    for (std::int32_t v : {rule->defaultValue, rule->minimum, rule->maximum & ~1}) {
      RepairedNumber r = rule->repair(std::to_string(v));
      EXPECT_EQ(static_cast<std::int32_t>(r.value), rule->evenOnly ? v & ~1 : v);
      EXPECT_FALSE(r.rewrite) << v;
    }
    EXPECT_TRUE(names.insert(std::string(rule->storedName)).second) << "stored twice";
  }
  // Every stored name belongs to a value the full save writes.
  const auto saved = settingsValues(Settings{});
  for (const std::string& name : names) {
    EXPECT_TRUE(std::any_of(saved.begin(), saved.end(), [&](auto& v) { return v.first == name; }))
        << name;
  }
}

TEST(FieldRules, NotANumberGivesTheDefaultThenTheLimitsApply) {
  for (const FieldRule* rule : kFieldRules) {
    RepairedNumber r = rule->repair("12 ");  // a trailing blank is not a number
    EXPECT_EQ(static_cast<std::int32_t>(r.value), rule->defaultValue) << rule->storedName;
    EXPECT_TRUE(r.rewrite);
  }
  // Compared unsigned, a negative entry is huge; compared signed, it is small.
  EXPECT_EQ(kPingCountRule.repair("-1").value, 65535u);
  EXPECT_EQ(kTraceWaitRule.repair("5").value, 10u);
  EXPECT_EQ(static_cast<std::int32_t>(kMaxHopsRule.repair("-1").value), 1);
  EXPECT_EQ(kNetMaskBitsRule.repair("40").value, 31u);
  // An options value outside its limits is not clamped but falls back.
  EXPECT_EQ(kTtlRule.repair("0").value, 60u);
  EXPECT_EQ(kTtlRule.repair("$FF").value, 255u);
  EXPECT_EQ(kTosRule.repair("256").value, 0u);
  RepairedNumber tos = kTosRule.repair("7");
  EXPECT_EQ(tos.value, 6u);  // bit 0 is reserved
  EXPECT_TRUE(tos.rewrite);
}

TEST(FieldRules, HeldValueIsRepairedAsTheFieldShowingItWouldBe) {
  // A stored "-1" loads as 4294967295, which a field cannot read back as a
  // number: the field's default, not its maximum.
  EXPECT_EQ(kPingCountRule.hold(std::uint32_t{4294967295u}), 4u);
  EXPECT_EQ(kRangeDataBytesRule.hold(std::uint32_t{70000}), 65500u);
  EXPECT_EQ(kMaxHopsRule.hold(std::int32_t{-5}), 1);
  EXPECT_EQ(kPingCountRule.hold(std::uint32_t{0}), 0u);  // endless stays endless
  EXPECT_EQ(kRangeCountRule.hold(std::uint32_t{0}), 1u);
}

}  // namespace
}  // namespace tarvo::settings
