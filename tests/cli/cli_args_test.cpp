#include "cli/cli_args.h"

#include <gtest/gtest.h>

#include "cli/command_options.h"
#include "cli/console_settings.h"

namespace tarvo::cli {
namespace {

ParsedArgs parse(const char* command, const std::vector<std::string>& words) {
  return parseArgs(words, commandOptions(command)->options);
}

TEST(CliArgs, SplitsOptionsValuesAndPositionals) {
  auto a = parse("trace", {"-w", "300", "--resolve", "host", "--max-hops=7", "--", "-x"});
  EXPECT_TRUE(a.error.empty());
  EXPECT_EQ(a.value("-w"), "300");
  EXPECT_EQ(a.number("--max-hops"), 7);
  EXPECT_TRUE(a.has("--resolve"));
  EXPECT_EQ(a.positional, (std::vector<std::string>{"host", "-x"}));
  EXPECT_EQ(parse("trace", {"--bogus"}).error, "unknown option --bogus");
  EXPECT_EQ(parse("trace", {"-w"}).error, "option -w needs a value");
  EXPECT_EQ(parse("trace", {"--resolve=1"}).error, "option --resolve takes no value");
}

// A typed option is checked, never repaired: what the option takes is named
// with the value given, and nothing is applied.
TEST(CliArgs, NumbersOutsideTheirLimitsAreUsageErrors) {
  struct Row {
    const char* command;
    std::vector<std::string> words;
    const char* error;
  };
  const std::vector<Row> rows = {
      {"ping", {"-n", "abc"}, R"(-n takes a number from 0 to 65535, not "abc")"},
      {"ping", {"-d", "-1"}, R"(-d takes a number from 1 to 65535, not "-1")"},
      {"ping", {"-w", "4294967296"}, R"(-w takes a number from 1 to 65535, not "4294967296")"},
      {"ping", {"--tos", "5"}, R"(--tos takes an even number from 0 to 254, not "5")"},
      {"range", {"--netmask-bits=32"}, R"(--netmask-bits takes a number from 16 to 31, not "32")"},
      {"watch", {"--resolve", "yes"}, R"(--resolve takes no, once or continuous, not "yes")"},
      // A value that could steer a terminal is shown escaped.
      {"watch", {"-w", "\x1b[2J"}, R"(-w takes a number from 1 to 65535, not "\x1b[2J")"},
  };
  for (const Row& row : rows) {
    const ParsedArgs args = parse(row.command, row.words);
    EXPECT_EQ(args.error, row.error) << row.command << " " << row.words[0];
    EXPECT_TRUE(args.numbers.empty()) << row.command << " " << row.words[0];
  }
}

TEST(CliArgs, NumbersWithinTheirLimitsReplaceTheStoredValue) {
  const ParsedArgs args = parse("ping", {"-n", "0", "-w", "65535", "--tos", "0x10", "host"});
  ASSERT_EQ(args.error, "");
  std::uint32_t count = 4, wait = 1000, tos = 0, ttl = 60;
  applyNumberOption(args, "-n", count);
  applyNumberOption(args, "-w", wait);
  applyNumberOption(args, "--tos", tos);
  applyNumberOption(args, "--ttl", ttl);  // not given: the stored value stays
  EXPECT_EQ(std::vector<std::uint32_t>({count, wait, tos, ttl}),
            std::vector<std::uint32_t>({0, 65535, 16, 60}));
  int resolve = 1;
  applyNumberOption(parse("watch", {"--resolve=continuous"}), "--resolve", resolve);
  EXPECT_EQ(resolve, 2);
}

TEST(CommandHelp, ListsTheCommandsOwnOptionsWithLimitsAndDefaults) {
  const std::string help = commandHelp(*commandOptions("ping"));
  for (const char* expected : {"usage: tarvo-cli ping [OPTION...] [HOST]\n", "  -w WAIT",
                               "(ms, 1 to 65535, default 1000)\n", "  --version "}) {
    EXPECT_NE(help.find(expected), std::string::npos) << expected;
  }
  EXPECT_EQ(help.find("--max-hops"), std::string::npos);
  // Every line fits a classic terminal.
  for (const char* name : {"ping", "range", "trace", "watch", "settings"}) {
    const std::string text = commandHelp(*commandOptions(name));
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      EXPECT_LE(end - start, 80u) << name << ": " << text.substr(start, end - start);
    }
  }
}

}  // namespace
}  // namespace tarvo::cli
