#include "cli/command_options.h"

#include <algorithm>
#include <array>

#include "engine/address.h"

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

// A name's answers of one family; without either, the stored preference.
CommandOption ipv4Only() { return flag("-4", "uses the IPv4 addresses of a name only"); }
CommandOption ipv6Only() { return flag("-6", "uses the IPv6 addresses of a name only"); }

// What a HOST may be, below the summary of each command that takes one.
constexpr const char* kHostForms =
    "HOST: a name, an IPv4 or an IPv6 address (fd00::1, [fe80::1%eth0]); a name\n"
    "stands for its first address in the order the setting AddressFamily gives.";

// An option that excludes the one before it.
CommandOption orElse(CommandOption option) {
  option.alternative = true;
  return option;
}

// The option shown on that line of the usage's synopsis instead of the first.
CommandOption onLine(int usageLine, CommandOption option) {
  option.usageLine = usageLine;
  return option;
}

const std::array<CommandOptions, 6>& commands() {
  static const std::array<CommandOptions, 6> table{{
      {"ping",
       "[HOST]",
       "Pings HOST (or the last host pinged) and ends with its statistics.\n" +
           std::string(kHostForms),
       {number("-n", "COUNT", kPingCountRule, "requests to send, 0 until stopped"),
        number("-w", "WAIT", kPingWaitRule, "time-out per reply", "ms"),
        number("-d", "DELAY", kPingDelayRule, "pause between requests", "ms"),
        number("-l", "BYTES", kPingDataBytesRule, "data per request", "bytes"),
        number("--ttl", "N", kTtlRule, "time to live"),
        number("--tos", "N", kTosRule, "type of service"),
        onLine(1, flag("--df", "sets the \"don't fragment\" flag")),
        onLine(1, flag("--router-alert", "adds the router alert IP option")),
        onLine(1, flag("--resolve", "looks up the name of the address that replies")),
        onLine(1, flag("--beep", "beeps on each reply")), onLine(1, json()), onLine(2, ipv4Only()),
        onLine(2, orElse(ipv6Only()))}},
      {"range",
       "FIRST LAST",
       "Pings every address from FIRST to LAST: both IPv4, or both IPv6 (brackets\n"
       "allowed, no zone) and at most 65,536 addresses.",
       {number("-n", "COUNT", kRangeCountRule, "requests per address"),
        number("-w", "WAIT", kRangeWaitRule, "time-out per reply", "ms"),
        number("-d", "DELAY", kRangeDelayRule, "pause between requests", "ms"),
        number("-l", "BYTES", kRangeDataBytesRule, "data per request", "bytes"),
        onLine(1, number("--netmask-bits", "N", kNetMaskBitsRule, "net mask", "bits")),
        flag("--burst", "sends without waiting for each reply"),
        flag("--break-soon", "stops at the first address reached"),
        onLine(1, flag("--ping-net", "also pings the net addresses")),
        onLine(1, flag("--ping-broadcast", "also pings the broadcast addresses")),
        onLine(2, flag("--hide-reached", "leaves out the addresses reached")),
        onLine(2, flag("--hide-not-reached", "leaves out the addresses not reached")),
        onLine(2, json())}},
      {"trace",
       "HOST",
       "Traces the route to HOST hop by hop.\n" + std::string(kHostForms),
       {number("--max-hops", "N", kMaxHopsRule, "largest time to live tried"),
        number("-w", "WAIT", kTraceWaitRule, "time-out per answer", "ms"),
        flag("--resolve", "looks up the names of the routers"), json(), ipv4Only(),
        orElse(ipv6Only())}},
      {"watch",
       "[HOST...]",
       "Pings the hosts over and over and shows their state until Ctrl+C.\n" +
           std::string(kHostForms),
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
         {},
         1},
        onLine(1, text("--log-dir", "DIR", "folder of the log files")),
        onLine(1, flag("--log-replies", "logs the replies")),
        onLine(2, flag("--log-timeouts", "logs the time-outs")),
        onLine(2, flag("--log-changes", "logs only where a host changes")),
        onLine(2, flag("--log-immediate", "writes each log line at once")),
        onLine(2, flag("--sequence", "stamps a sequence number into each request")),
        onLine(3, number("--down-after", "N", kNotifyDownRule, "time-outs in a row to be down")),
        onLine(3, number("--up-after", "M", kNotifyUpRule, "replies in a row to be up again")),
        onLine(3, json()),
        onLine(3, text("--file", "LIST", "also watches the hosts listed in LIST, one per line")),
        onLine(4, flag("--no-history", "records nothing into the history file")),
        onLine(4, text("--metrics", "[ADDR:]PORT",
                       "serves http://ADDR:PORT/metrics (ADDR 127.0.0.1)"))}},
      {"history",
       "[HOST...]",
       "Prints what watch recorded: each host's statistics, outages or results.",
       {text("--since", "WHEN", "from WHEN: 90s, 15m, 2h, 7d ago, or 2026-12-07T14:00:00Z"),
        text("--until", "WHEN", "up to WHEN (default: now)"),
        onLine(1, flag("--outages", "one line per outage instead of per host")),
        onLine(1, orElse(flag("--results", "one line per result instead of per host"))),
        onLine(1, json()),
        onLine(1, orElse(flag("--csv", "CSV with a header line instead of the text")))}},
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

// "[-n COUNT]", "[--resolve no|once|continuous]", "[--df]".
std::string synopsisForm(const CommandOption& o) {
  std::string form = "[" + o.name;
  for (std::size_t i = 0; i < o.choices.size(); ++i) form += (i ? "|" : " ") + o.choices[i];
  if (o.choices.empty() && !o.valueName.empty()) form += " " + o.valueName;
  return form + "]";
}

// The command's lines of the usage, its operands last; later lines start
// under the first option.
std::string synopsis(const CommandOptions& command) {
  constexpr std::size_t kNameWidth = 5;  // "range"
  std::string name = command.name;
  name.resize(std::max(name.size(), kNameWidth), ' ');
  const std::string lead = "  tarvo-cli " + name + " ";
  int lastLine = 0;
  for (const CommandOption& o : command.options) lastLine = std::max(lastLine, o.usageLine);
  std::string text;
  for (int line = 0; line <= lastLine; ++line) {
    std::string words;
    for (const CommandOption& o : command.options) {
      if (o.usageLine != line) continue;
      if (o.alternative && !words.empty()) {
        words.back() = '|';
        words += synopsisForm(o).substr(1);
      } else {
        words += (words.empty() ? "" : " ") + synopsisForm(o);
      }
    }
    if (line == lastLine && !command.operands.empty()) words += " " + command.operands;
    text += (line == 0 ? lead : std::string(lead.size(), ' ')) + words + "\n";
  }
  return text;
}

}  // namespace

std::string usage() {
  std::string text = "usage:\n";
  for (const CommandOptions& command : commands()) text += synopsis(command);
  return text +
         "  tarvo-cli COMMAND --help: the command's options, their limits and defaults\n"
         "HOST: a name, an IPv4 or an IPv6 address (fd00::1, [fe80::1%eth0]); -4 or -6\n"
         "  takes only that family's addresses of a name, else the setting\n"
         "  AddressFamily says which come first; range: two IPv4 or two IPv6 addresses\n"
         "--json: one JSON object per line on standard output instead of the text,\n"
         "  each with a \"type\"; messages stay on standard error (see tarvo-cli(1))\n"
         "exit status: 0 reached, 1 not reached, 2 usage error or failed start-up,\n"
         "  3 standard output could not be written, 143 stopped by SIGTERM\n";
}

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

FamilyPreference familyOption(const ParsedArgs& args, FamilyPreference stored) {
  if (args.has("-6")) return FamilyPreference::V6;
  if (args.has("-4")) return FamilyPreference::V4;
  return stored;
}

std::string familyConflict(const ParsedArgs& args, const std::string& host) {
  const bool v4 = args.has("-4");
  const bool v6 = args.has("-6");
  if (v4 && v6) return "-4 and -6 do not go together";
  const std::optional<IpAddress> literal = parseHostLiteral(stripUrlScheme(host));
  if (!literal) return {};
  if (v4 && literal->isV6()) return "-4 and an IPv6 address do not go together";
  if (v6 && literal->isV4()) return "-6 and an IPv4 address do not go together";
  return {};
}

}  // namespace tarvo::cli
