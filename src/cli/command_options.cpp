#include "cli/command_options.h"

#include <array>

namespace tarvo::cli {

namespace {

using namespace settings;

CommandOption number(std::string name, std::string valueName, const FieldRule& rule,
                     std::string meaning, std::string unit = {}) {
  return {std::move(name),    true,           &rule, {}, std::move(valueName),
          std::move(meaning), std::move(unit)};
}

CommandOption flag(std::string name, std::string meaning) {
  return {std::move(name), false, nullptr, {}, {}, std::move(meaning), {}};
}

CommandOption text(std::string name, std::string valueName, std::string meaning) {
  return {std::move(name), true, nullptr, {}, std::move(valueName), std::move(meaning), {}};
}

CommandOption json() { return flag("--json", "JSON Lines on standard output instead of the text"); }

const std::array<CommandOptions, 5>& commands() {
  static const std::array<CommandOptions, 5> table{{
      {"ping",
       "[HOST]",
       "Pings HOST (or the last host pinged) and ends with its statistics.",
       {number("-n", "COUNT", kPingCountRule, "requests to send, 0 until stopped"),
        number("-w", "WAIT", kPingWaitRule, "time-out per reply", "ms"),
        number("-d", "DELAY", kPingDelayRule, "pause between requests", "ms"),
        number("-l", "BYTES", kPingDataBytesRule, "data per request", "bytes"),
        number("--ttl", "N", kTtlRule, "time to live"),
        number("--tos", "N", kTosRule, "type of service"),
        flag("--df", "sets the \"don't fragment\" flag"),
        flag("--router-alert", "adds the router alert IP option"),
        flag("--resolve", "looks up the name of the address that replies"),
        flag("--beep", "beeps on each reply"), json()}},
      {"range",
       "FIRST LAST",
       "Pings every address from FIRST to LAST.",
       {number("-n", "COUNT", kRangeCountRule, "requests per address"),
        number("-w", "WAIT", kRangeWaitRule, "time-out per reply", "ms"),
        number("-d", "DELAY", kRangeDelayRule, "pause between requests", "ms"),
        number("-l", "BYTES", kRangeDataBytesRule, "data per request", "bytes"),
        number("--netmask-bits", "N", kNetMaskBitsRule, "net mask", "bits"),
        flag("--burst", "sends without waiting for each reply"),
        flag("--break-soon", "stops at the first address reached"),
        flag("--ping-net", "also pings the net addresses"),
        flag("--ping-broadcast", "also pings the broadcast addresses"),
        flag("--hide-reached", "leaves out the addresses reached"),
        flag("--hide-not-reached", "leaves out the addresses not reached"), json()}},
      {"trace",
       "HOST",
       "Traces the route to HOST hop by hop.",
       {number("--max-hops", "N", kMaxHopsRule, "largest time to live tried"),
        number("-w", "WAIT", kTraceWaitRule, "time-out per answer", "ms"),
        flag("--resolve", "looks up the names of the routers"), json()}},
      {"watch",
       "[HOST...]",
       "Pings the hosts over and over and shows their state until Ctrl+C.",
       {number("-w", "WAIT", kWatchWaitRule, "time-out per reply", "ms"),
        number("-d", "DELAY", kWatchDelayRule, "pause between requests", "ms"),
        number("-l", "BYTES", kWatchBytesRule, "data per request", "bytes"),
        number("--ttl", "N", kWatchTtlRule, "time to live"),
        {"--resolve",
         true,
         &kWatchResolveNamesRule,
         {"no", "once", "continuous"},
         "MODE",
         "looks up names",
         {}},
        text("--log-dir", "DIR", "folder of the log files"),
        flag("--log-replies", "logs the replies"),
        flag("--log-timeouts", "logs the time-outs"),
        flag("--log-changes", "logs only where a host changes"),
        flag("--log-immediate", "writes each log line at once"),
        flag("--sequence", "stamps a sequence number into each request"),
        number("--down-after", "N", kNotifyDownRule, "time-outs in a row to be down"),
        number("--up-after", "M", kNotifyUpRule, "replies in a row to be up again"),
        json(),
        text("--file", "LIST", "also watches the hosts listed in LIST, one per line")}},
      {"settings",
       "",
       "Prints the settings in effect.",
       {flag("--save", "writes repaired values back to the file"), json()}},
  }};
  return table;
}

// "ms, 1 to 65535, default 1000" from the option's rule.
std::string limitsAndDefault(const CommandOption& o) {
  const FieldRule& r = *o.rule;
  if (!o.choices.empty()) {
    return acceptedValues(o) + ", default " + o.choices[static_cast<std::size_t>(r.defaultValue)];
  }
  const std::int32_t top = r.evenOnly ? r.maximum & ~1 : r.maximum;
  return (o.unit.empty() ? "" : o.unit + ", ") + (r.evenOnly ? "even, " : "") +
         std::to_string(r.minimum) + " to " + std::to_string(top) + ", default " +
         std::to_string(r.defaultValue);
}

std::string helpLine(const std::string& left, const std::string& meaning) {
  constexpr std::size_t kColumn = 22;
  std::string line = "  " + left;
  line += line.size() < kColumn ? std::string(kColumn - line.size(), ' ') : "  ";
  return line + meaning + "\n";
}

}  // namespace

const CommandOptions* commandOptions(std::string_view name) {
  for (const CommandOptions& c : commands()) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

std::string commandHelp(const CommandOptions& command) {
  std::string help = "usage: tarvo-cli " + command.name + " [OPTION...]" +
                     (command.operands.empty() ? "" : " " + command.operands) + "\n" +
                     command.summary + "\n\n";
  for (const CommandOption& o : command.options) {
    const std::string left = o.valueName.empty() ? o.name : o.name + " " + o.valueName;
    help += helpLine(left, o.rule ? o.meaning + " (" + limitsAndDefault(o) + ")" : o.meaning);
  }
  help += helpLine("-h, --help", "prints this help");
  help += helpLine("--version", "prints the version");
  help +=
      "\nOptions not given take the settings file's values (the defaults above\n"
      "where it has none). A number or word outside what an option takes is a\n"
      "usage error (exit status 2).\n";
  return help;
}

}  // namespace tarvo::cli
