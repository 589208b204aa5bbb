#include "cli/cli_args.h"

#include <gtest/gtest.h>

#include "cli/console_settings.h"

namespace tarvo::cli {
namespace {

const std::vector<OptionSpec> kSpecs = {{"-n", true}, {"--max-hops", true}, {"--df"}};

TEST(CliArgs, SplitsOptionsValuesAndPositionals) {
  auto a = parseArgs({"-n", "3", "--df", "host", "--max-hops=7", "--", "-x"}, kSpecs);
  EXPECT_TRUE(a.error.empty());
  EXPECT_EQ(a.value("-n"), "3");
  EXPECT_EQ(a.value("--max-hops"), "7");
  EXPECT_TRUE(a.has("--df"));
  EXPECT_EQ(a.positional, (std::vector<std::string>{"host", "-x"}));
  EXPECT_FALSE(parseArgs({"--bogus"}, kSpecs).error.empty());
  EXPECT_FALSE(parseArgs({"-n"}, kSpecs).error.empty());
  EXPECT_FALSE(parseArgs({"--df=1"}, kSpecs).error.empty());
}

TEST(CliArgs, TypedNumbersFollowTheFieldRules) {
  // Not a number: the field's default, not the stored value.
  std::uint32_t count = 9;
  applyNumberOption(parseArgs({"-n", "abc"}, kSpecs), "-n", settings::kPingCountRule, count);
  EXPECT_EQ(count, 4u);
  // Not given: the stored value stays.
  count = 0;
  applyNumberOption(parseArgs({}, kSpecs), "-n", settings::kRangeCountRule, count);
  EXPECT_EQ(count, 0u);
  // Hop counts compare signed.
  std::int32_t hops = 30;
  applyNumberOption(parseArgs({"--max-hops", "-3"}, kSpecs), "--max-hops", settings::kMaxHopsRule,
                    hops);
  EXPECT_EQ(hops, 1);
}

}  // namespace
}  // namespace tarvo::cli
