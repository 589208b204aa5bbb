#pragma once

#include <cstdint>
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

// A typed number option, repaired by the window's rules: a text that is not
// a whole number takes the field's default, a value outside the limits is
// clamped. An option not given takes the stored value, held within the same
// limits. Never an error.
std::uint32_t numberOption(const ParsedArgs& args, const std::string& name, std::uint32_t stored,
                           std::uint32_t fieldDefault, std::uint32_t minimum,
                           std::uint32_t maximum);
// The same, compared as signed (a negative entry becomes the minimum).
std::int32_t signedNumberOption(const ParsedArgs& args, const std::string& name,
                                std::int32_t stored, std::int32_t fieldDefault,
                                std::int32_t minimum, std::int32_t maximum);

// "--" ends the options; "--name=value" is accepted for options with a value.
ParsedArgs parseArgs(const std::vector<std::string>& words, const std::vector<OptionSpec>& specs);

}  // namespace tarvo::cli
