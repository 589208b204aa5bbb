#include <cstdio>

#include "cli/cli_args.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "cli/console_break.h"
#include "cli/console_lines.h"
#include "cli/console_settings.h"
#include "cli/echo_advice.h"
#include "cli/json_views.h"
#include "cli/run_view_choice.h"
#include "engine/echo_service.h"
#include "ping/ping_settings.h"
#include "ping/ping_thread.h"

namespace tarvo::cli {

namespace {

// The console as the single-host ping's view: lines to standard output.
class ConsolePingView : public RunView {
 public:
  explicit ConsolePingView(ConsoleLines& lines) : lines_(lines) {}

  void begin() override {}
  void end() override {
    lines_.appendLine(kEndOfPingLine);
    lines_.flush();
  }
  void appendLine(const std::string& line) override { lines_.appendLine(line); }
  void replaceLastLine(const std::string& line) override { lines_.replaceLastLine(line); }
  // Both parts get the same text: it is shown once.
  void setStatus(StatusPart, const std::string& text) override { lines_.status(text); }

 private:
  ConsoleLines& lines_;
};

}  // namespace

int runPingCommand(const std::vector<std::string>& words) {
  const ParsedArgs args = parseArgs(words, commandOptions("ping")->options);
  if (!args.error.empty() || args.positional.size() > 1) {
    std::fprintf(stderr, "tarvo-cli ping: %s\n",
                 args.error.empty() ? "only one HOST" : args.error.c_str());
    return kExitUsage;
  }
  settings::Settings s = loadConsoleSettings();
  if (!args.positional.empty()) s.hostText = args.positional.front();
  if (s.hostText.empty()) {
    std::fputs("tarvo-cli ping: no HOST given and no host in the history\n", stderr);
    return kExitUsage;
  }
  if (const std::string conflict = familyConflict(args, s.hostText); !conflict.empty()) {
    std::fprintf(stderr, "tarvo-cli ping: %s\n", conflict.c_str());
    return kExitUsage;
  }
  applyNumberOption(args, "-n", s.pingCount);
  applyNumberOption(args, "-w", s.pingWaitMs);
  applyNumberOption(args, "-d", s.pingDelayMs);
  applyNumberOption(args, "-l", s.pingDataBytes);
  applyNumberOption(args, "--ttl", s.ttl);
  applyNumberOption(args, "--tos", s.tos);
  s.dontFragment = s.dontFragment || args.has("--df");
  s.routerAlert = s.routerAlert || args.has("--router-alert");
  s.resolveNames = s.resolveNames || args.has("--resolve");
  s.audible = s.audible || args.has("--beep");
  PingSnapshot snap = pingSnapshotFrom(s);
  snap.resolver = Resolver::systemIn();
  snap.family = familyOption(args, snap.family);
  const NetworkCheck network = runNetworkCheck();
  snap.ipOptionsSupported = network.ipOptionsSupported;

  RunViewChoice<ConsolePingView, JsonPingView> views(args.has("--json"));
  if (views.json()) snap.results = views.json();
  TPing ping(snap, views.view(), icmpEchoServiceFactory());
  ConsoleBreak::setHandler([&ping] { ping.requestStop(); });
  if (!ping.start()) {
    ConsoleBreak::setHandler(nullptr);
    std::fputs("tarvo-cli: cannot start the ping thread\n", stderr);
    return kExitUsage;
  }
  ping.waitFor();
  ConsoleBreak::setHandler(nullptr);
  if (ping.startFailed()) {
    // The run has said why on standard output; the check tells whether it
    // was the missing echo socket.
    adviseOnStartFailure(network);
    return kExitUsage;
  }
  return ping.reached() ? kExitReached : kExitNotReached;
}

}  // namespace tarvo::cli
