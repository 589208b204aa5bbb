#include "cli/cli_args.h"

#include <gtest/gtest.h>

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

TEST(CliArgs, TypedNumbersFollowTheWindowsRepair) {
  // Not a number: the field's default, not the stored value.
  EXPECT_EQ(numberOption(parseArgs({"-n", "abc"}, kSpecs), "-n", 9, 4, 0, 65535), 4u);
  EXPECT_EQ(numberOption(parseArgs({"-n", "-1"}, kSpecs), "-n", 9, 4, 0, 65535), 65535u);
  EXPECT_EQ(numberOption(parseArgs({"-n", "$10"}, kSpecs), "-n", 9, 4, 0, 65535), 16u);
  // Not given: the stored value, within the limits.
  EXPECT_EQ(numberOption(parseArgs({}, kSpecs), "-n", 9, 4, 0, 65535), 9u);
  EXPECT_EQ(numberOption(parseArgs({}, kSpecs), "-n", 0, 1, 1, 65535), 1u);
  // Hop counts compare signed.
  auto hops = [](const char* text) {
    return signedNumberOption(parseArgs({"--max-hops", text}, kSpecs), "--max-hops", 30, 30, 1,
                              255);
  };
  EXPECT_EQ(hops("0"), 1);
  EXPECT_EQ(hops("-3"), 1);
  EXPECT_EQ(hops("300"), 255);
  EXPECT_EQ(hops("x"), 30);
}

}  // namespace
}  // namespace tarvo::cli
