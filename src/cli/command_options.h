#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_args.h"
#include "engine/address.h"

namespace tarvo::cli {

// One console command's options: what its run parses and its help lists.
struct CommandOptions {
  std::string name;      // "ping"
  std::string operands;  // "[HOST]", shown after the options in the usage
  std::string summary;   // what the command does, then what its operands may be
  std::vector<CommandOption> options;
};

// What `tarvo-cli` alone or with --help prints: each command's synopsis
// from its options, then the exit statuses.
std::string usage();

// The command of that name, or nullptr.
const CommandOptions* commandOptions(std::string_view name);

// `tarvo-cli COMMAND --help`: the usage line, then one line per option with
// its meaning and, for a number, its limits, unit and default as the field
// rules give them, then --help and --version.
std::string commandHelp(const CommandOptions& command);

// The family a name's answers are taken from: only IPv4 with -4, only IPv6
// with -6, otherwise the stored preference.
FamilyPreference familyOption(const ParsedArgs& args, FamilyPreference stored);
// Why -4 / -6 cannot hold for this host: both given, or an address of the
// other family; empty when they can.
std::string familyConflict(const ParsedArgs& args, const std::string& host);

}  // namespace tarvo::cli
