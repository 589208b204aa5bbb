#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/console_break.h"
#include "cli/console_lines.h"
#include "cli/console_settings.h"
#include "cli/echo_advice.h"
#include "cli/json_views.h"
#include "engine/echo_service.h"
#include "trace/trace_controller.h"
#include "trace/trace_settings.h"

namespace tarvo::cli {

namespace {

const char* const kTraceUsage =
    "usage: tarvo-cli trace [--max-hops N] [-w WAIT] [--resolve] [--json] HOST\n";

// The Traceroute tab's output on standard output.
class ConsoleTraceView : public RunView {
 public:
  explicit ConsoleTraceView(ConsoleLines& lines) : lines_(lines) {}
  void begin() override {}
  void end() override { lines_.appendLine(kEndOfTraceLine); }
  void appendLine(const std::string& line) override { lines_.appendLine(line); }
  void replaceLastLine(const std::string& line) override { lines_.replaceLastLine(line); }

 private:
  ConsoleLines& lines_;
};

}  // namespace

int runTraceCommand(const std::vector<std::string>& args) {
  const ParsedArgs parsed =
      parseArgs(args, {{"--max-hops", true}, {"-w", true}, {"--resolve", false}, {"--json"}});
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
  applyNumberOption(parsed, "--max-hops", settings::kMaxHopsRule, s.maxHops);
  applyNumberOption(parsed, "-w", settings::kTraceWaitRule, s.traceWait);
  s.traceResolveNames = s.traceResolveNames || parsed.has("--resolve");
  TraceSnapshot snap = traceSnapshotFrom(s);
  snap.echoFactory = icmpEchoServiceFactory();

  const bool jsonOutput = parsed.has("--json");
  std::optional<ConsoleLines> lines;
  std::optional<JsonLines> json;
  std::optional<JsonTraceView> jsonView;
  if (jsonOutput) {
    jsonView.emplace(json.emplace());
    snap.results = &*jsonView;
  } else {
    lines.emplace();
  }
  // Why the run cannot start: the run's own lines, or standard error under
  // --json.
  auto refuse = [&](const std::string& message) {
    if (jsonOutput) {
      writeMessages({message});
    } else {
      lines->appendLine(" ");
      lines->appendLine(message);
      lines->flush();
    }
  };
  const NetworkCheck check = runNetworkCheck();
  if (!check.networkReady) {
    refuse(check.message);
    adviseOnStartFailure(check);
    return kExitUsage;
  }

  std::optional<ConsoleTraceView> textView;
  RunView& view = jsonView ? static_cast<RunView&>(*jsonView) : textView.emplace(*lines);
  auto trace = std::make_shared<TCtrlTrace>(std::move(snap), view);
  // The handler holds its own reference, so a late Ctrl+C never reaches a
  // deleted controller.
  ConsoleBreak::setHandler([trace] { trace->requestStop(); });
  if (!trace->start()) {
    ConsoleBreak::setHandler(nullptr);
    refuse("  · Could not create the traceroute thread");
    return kExitUsage;
  }
  trace->startFlag()->waitUntilSet();
  trace->waitFor();
  ConsoleBreak::setHandler(nullptr);
  if (lines) lines->flush();
  return trace->destinationReached() ? kExitReached : kExitNotReached;
}

}  // namespace tarvo::cli
