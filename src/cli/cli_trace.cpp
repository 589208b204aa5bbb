#include <cstdio>
#include <memory>
#include <string>

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
#include "trace/trace_controller.h"
#include "trace/trace_settings.h"

namespace tarvo::cli {

namespace {

const char* const kTraceUsage =
    "usage: tarvo-cli trace [--max-hops N] [-w WAIT] [--resolve] [--json] [-4|-6] HOST\n";

// The Traceroute tab's output on standard output.
class ConsoleTraceView : public RunView {
 public:
  explicit ConsoleTraceView(ConsoleLines& lines) : lines_(lines) {}
  void begin() override {}
  void end() override { lines_.appendLine(kEndOfTraceLine); }
  void appendLine(const std::string& line) override { lines_.appendLine(line); }
  void replaceLastLine(const std::string& line) override { lines_.replaceLastLine(line); }
  void flush() { lines_.flush(); }

 private:
  ConsoleLines& lines_;
};

}  // namespace

int runTraceCommand(const std::vector<std::string>& args) {
  const ParsedArgs parsed = parseArgs(args, commandOptions("trace")->options);
  if (!parsed.error.empty() || parsed.positional.size() > 1) {
    std::fprintf(stderr, "tarvo-cli trace: %s\n%s",
                 parsed.error.empty() ? "only one HOST" : parsed.error.c_str(), kTraceUsage);
    return kExitUsage;
  }
  settings::Settings s = loadConsoleSettings();
  if (!parsed.positional.empty()) s.traceHost = parsed.positional.front();
  if (s.traceHost.empty()) {
    std::fprintf(stderr, "tarvo-cli trace: no HOST given\n%s", kTraceUsage);
    return kExitUsage;
  }
  if (const std::string conflict = familyConflict(parsed, s.traceHost); !conflict.empty()) {
    std::fprintf(stderr, "tarvo-cli trace: %s\n%s", conflict.c_str(), kTraceUsage);
    return kExitUsage;
  }
  applyNumberOption(parsed, "--max-hops", s.maxHops);
  applyNumberOption(parsed, "-w", s.traceWait);
  s.traceResolveNames = s.traceResolveNames || parsed.has("--resolve");
  TraceSnapshot snap = traceSnapshotFrom(s);
  snap.echoFactory = icmpEchoServiceFactory();
  snap.resolver = Resolver::systemIn();
  snap.family = familyOption(parsed, snap.family);

  RunViewChoice<ConsoleTraceView, JsonTraceView> views(parsed.has("--json"));
  if (views.json()) snap.results = views.json();
  const NetworkCheck check = runNetworkCheck();
  if (!check.networkReady) {
    views.refuse(check.message);
    adviseOnStartFailure(check);
    return kExitUsage;
  }

  auto trace = std::make_shared<TCtrlTrace>(std::move(snap), views.view());
  // The handler holds its own reference, so a late Ctrl+C never reaches a
  // deleted controller.
  ConsoleBreak::setHandler([trace] { trace->requestStop(); });
  if (!trace->start()) {
    ConsoleBreak::setHandler(nullptr);
    views.refuse("  · Could not create the traceroute thread");
    return kExitUsage;
  }
  trace->startFlag()->waitUntilSet();
  trace->waitFor();
  ConsoleBreak::setHandler(nullptr);
  if (views.text()) views.text()->flush();
  return trace->destinationReached() ? kExitReached : kExitNotReached;
}

}  // namespace tarvo::cli
