#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "settings/field_rules.h"

namespace tarvo::cli {

struct CommandOption {
  std::string name;  // "-n", "--ttl", "--df"
  bool takesValue = false;
  // A number held to this rule's limits: anything else is a usage error
  // (the window repairs its fields; a typed option is checked instead).
  const settings::FieldRule* rule = nullptr;
  // A word that must be one of these; its position is the stored number.
  std::vector<std::string> choices;
  std::string valueName;  // "COUNT" in the help
  std::string meaning;    // one line of help
  std::string unit;       // of a number: "ms", "bytes" or none
  // The line of the command's synopsis in the usage that shows the option,
  // from 0; within a line the options keep their order here.
  int usageLine = 0;
  // Shown in the synopsis as the other choice of the option before it
  // ("[--json|--csv]"): the two exclude each other.
  bool alternative = false;
};

// Command-line words after the command name, split by the option table.
struct ParsedArgs {
  std::map<std::string, std::string> values;    // options with a value
  std::map<std::string, std::int32_t> numbers;  // options with a rule or choices, as read
  std::set<std::string> flags;                  // options without one
  std::vector<std::string> positional;
  std::string error;  // not empty: a usage error

  bool has(const std::string& flag) const { return flags.count(flag) != 0; }
  std::optional<std::string> value(const std::string& name) const;
  std::optional<std::int32_t> number(const std::string& name) const;
};

// "--" ends the options; "--name=value" is accepted for options with a value.
// A value outside its rule's limits or choices ends the parse with an error
// that names the option, what it takes and the value given.
ParsedArgs parseArgs(const std::vector<std::string>& words,
                     const std::vector<CommandOption>& known);

// What a checked option takes: "a number from 1 to 65535",
// "an even number from 0 to 254" or "no, once or continuous".
std::string acceptedValues(const CommandOption& option);

}  // namespace tarvo::cli
