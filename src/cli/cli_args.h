#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tarvo::cli {

struct OptionSpec {
  std::string name;  // "-n", "--ttl", "--df"
  bool takesValue = false;
};

// Command-line words after the command name, split by the option table.
struct ParsedArgs {
  std::map<std::string, std::string> values;  // options with a value
  std::set<std::string> flags;                // options without one
  std::vector<std::string> positional;
  std::string error;  // not empty: a usage error

  bool has(const std::string& flag) const { return flags.count(flag) != 0; }
  std::optional<std::string> value(const std::string& name) const;
};

// "--" ends the options; "--name=value" is accepted for options with a value.
ParsedArgs parseArgs(const std::vector<std::string>& words, const std::vector<OptionSpec>& specs);

}  // namespace tarvo::cli
