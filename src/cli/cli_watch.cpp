#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "cli/cli_args.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "cli/console_break.h"
#include "cli/console_output.h"
#include "cli/console_settings.h"
#include "cli/console_text.h"
#include "cli/console_watch_view.h"
#include "cli/echo_advice.h"
#include "cli/json_lines.h"
#include "engine/echo_service.h"
#include "history/history_writer.h"
#include "watch/monitor_settings.h"
#include "watch/watch_controller.h"
#include "watch/watch_list.h"

namespace tarvo::cli {

namespace {

int usageError(const std::string& text) {
  std::fprintf(stderr, "tarvo-cli watch: %s\n", text.c_str());
  return kExitUsage;
}

// The writer that records the run's results, or none: a history that
// cannot be opened is said and the monitor runs without it.
std::unique_ptr<history::HistoryWriter> startHistory(const settings::Settings& s, WatchView& view) {
  auto [store, message] = history::HistoryStore::open(history::defaultHistoryPath(),
                                                      history::HistoryStore::Mode::Write);
  if (!message.empty()) std::fprintf(stderr, "tarvo-cli watch: history: %s\n", message.c_str());
  if (!store) return nullptr;
  auto writer = std::make_unique<history::HistoryWriter>(
      std::move(store), history::Retention{s.historyRawDays, s.historyDays},
      [&view](const std::string& text) { view.notice(text); });
  if (!writer->start()) {
    std::fprintf(stderr, "tarvo-cli watch: history: no thread could be started (%s)\n",
                 std::strerror(writer->startError()));
    return nullptr;
  }
  return writer;
}

}  // namespace

int runWatchCommand(const std::vector<std::string>& words) {
  const ParsedArgs args = parseArgs(words, commandOptions("watch")->options);
  if (!args.error.empty()) return usageError(args.error);

  std::vector<std::string> hosts;
  mergeWatchList(hosts, args.positional);
  if (auto list = args.value("--file")) {
    std::string bytes;
    int error = 0;
    switch (readWatchListFile(*list, bytes, &error)) {
      case WatchListRead::TooLarge:
        return usageError(escapeControlChars(*list) + " is larger than 16 MiB");
      case WatchListRead::NotRegularFile:
        return usageError(escapeControlChars(*list) + " is not a regular file");
      case WatchListRead::Unreadable:
        return usageError("cannot read " + escapeControlChars(*list) + ": " + std::strerror(error));
      case WatchListRead::Ok:
        break;
    }
    mergeWatchList(hosts, parseWatchList(bytes));
  }
  if (hosts.empty()) return usageError("needs at least one HOST or a --file LIST");

  settings::Settings s = loadConsoleSettings();
  applyNumberOption(args, "-w", s.watchWait);
  applyNumberOption(args, "-d", s.watchDelay);
  applyNumberOption(args, "-l", s.watchBytes);
  applyNumberOption(args, "--ttl", s.watchTtl);
  applyNumberOption(args, "--down-after", s.notifyDown);
  applyNumberOption(args, "--up-after", s.notifyUp);
  applyNumberOption(args, "--resolve", s.watchResolveNames);
  if (auto dir = args.value("--log-dir")) s.logPath = *dir;
  // What is logged is chosen as a whole: any of the three options replaces
  // the stored choice rather than adding to it.
  if (args.has("--log-replies") || args.has("--log-timeouts") || args.has("--log-changes")) {
    s.logReplies = args.has("--log-replies");
    s.logTimeouts = args.has("--log-timeouts");
    s.logFlipFlop = args.has("--log-changes");
  }
  s.logImmediate = s.logImmediate || args.has("--log-immediate");
  s.icmpSequence = s.icmpSequence || args.has("--sequence");

  const NetworkCheck network = runNetworkCheck();
  if (!network.networkReady) {
    std::fprintf(stderr, "%s\n", network.message.c_str());
    adviseOnStartFailure(network);
    return kExitUsage;
  }

  WatchRun run;
  run.settings = monitorSettingsFrom(s);
  run.hosts = std::move(hosts);
  run.echoFactory = icmpEchoServiceFactory();
  JsonLines json;
  ConsoleWatchView view(isatty(STDOUT_FILENO) != 0, args.has("--json") ? &json : nullptr);
  // Started before the monitor and finished after it, so every result of
  // the run reaches the file.
  std::unique_ptr<history::HistoryWriter> recorder;
  if (s.history && !args.has("--no-history")) recorder = startHistory(s, view);
  run.history = recorder.get();
  TCtrlWatch controller(std::move(run), view);
  ConsoleBreak::setHandler([&controller, &view] {
    view.stopping("  Stopping the Monitor...");
    controller.stop();
  });
  if (!controller.start()) {
    ConsoleBreak::setHandler(nullptr);
    if (recorder) recorder->finish();
    std::fprintf(stderr, "  \u00B7 Could not create the thread controler\n");
    return kExitUsage;
  }
  controller.waitFor();
  ConsoleBreak::setHandler(nullptr);
  if (recorder) recorder->finish();
  return controller.replies() > 0 ? kExitReached : kExitNotReached;
}

}  // namespace tarvo::cli
