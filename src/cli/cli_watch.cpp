#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

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
#include "metrics/metrics_http.h"
#include "metrics/metrics_registry.h"
#include "watch/monitor_settings.h"
#include "watch/watch_controller.h"
#include "watch/watch_list.h"

namespace tarvo::cli {

namespace {

int usageError(const std::string& text) {
  std::fprintf(stderr, "tarvo-cli watch: %s\n", text.c_str());
  return kExitUsage;
}

// The hosts named on the command line, then those of --file LIST; the
// reason where the list cannot be read.
std::string readHosts(const ParsedArgs& args, std::vector<std::string>& hosts) {
  hosts.clear();
  mergeWatchList(hosts, args.positional);
  const auto list = args.value("--file");
  if (!list) return {};
  std::string bytes;
  int error = 0;
  switch (readWatchListFile(*list, bytes, &error)) {
    case WatchListRead::TooLarge:
      return escapeControlChars(*list) + " is larger than 16 MiB";
    case WatchListRead::NotRegularFile:
      return escapeControlChars(*list) + " is not a regular file";
    case WatchListRead::Unreadable:
      return "cannot read " + escapeControlChars(*list) + ": " + std::strerror(error);
    case WatchListRead::Ok:
      break;
  }
  mergeWatchList(hosts, parseWatchList(bytes));
  return {};
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

// The monitor runs of one command, one after the other: Break ends the run
// going and the command; a new list (SIGHUP) ends the run going, and the
// next run watches the new list. Both come from the signal thread.
class RunSwitch {
 public:
  explicit RunSwitch(std::vector<std::string> hosts) : hosts_(std::move(hosts)) {}

  // The run now going. Started after a Break or a new list came, it
  // stops at once.
  void attach(TCtrlWatch& run) {
    std::lock_guard lock(mutex_);
    current_ = &run;
    if (broken_ || next_) run.stop();
  }
  // The run has ended: the hosts of the next one, or none to end.
  std::optional<std::vector<std::string>> detach() {
    std::lock_guard lock(mutex_);
    current_ = nullptr;
    if (broken_ || !next_) return std::nullopt;
    hosts_ = std::move(*next_);
    next_.reset();
    return hosts_;
  }
  void breakRuns() {
    std::lock_guard lock(mutex_);
    broken_ = true;
    if (current_ != nullptr) current_->stop();
  }
  // False where the list is the one watched (or about to be).
  bool replaceHosts(std::vector<std::string> hosts) {
    std::lock_guard lock(mutex_);
    if (broken_ || hosts == (next_ ? *next_ : hosts_)) return false;
    next_ = std::move(hosts);
    if (current_ != nullptr) current_->stop();
    return true;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> hosts_;
  std::optional<std::vector<std::string>> next_;
  TCtrlWatch* current_ = nullptr;
  bool broken_ = false;
};

}  // namespace

int runWatchCommand(const std::vector<std::string>& words) {
  const ParsedArgs args = parseArgs(words, commandOptions("watch")->options);
  if (!args.error.empty()) return usageError(args.error);
  std::optional<metrics::ListenAddress> metricsAt;
  if (auto text = args.value("--metrics")) {
    metricsAt = metrics::parseListenAddress(*text);
    if (!metricsAt) {
      return usageError(
          "--metrics takes [ADDRESS:]PORT, a port from 1 to 65535 after an "
          "optional IPv4 address such as 0.0.0.0, not \"" +
          escapeControlChars(*text) + "\"");
    }
  }

  std::vector<std::string> hosts;
  if (const std::string problem = readHosts(args, hosts); !problem.empty()) {
    return usageError(problem);
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

  // Served before the monitor starts, so a port that cannot be had ends
  // the command before any request is sent.
  metrics::MetricsRegistry registry;
  registry.setHosts(hosts);
  std::unique_ptr<metrics::MetricsHttpServer> server;
  if (metricsAt) {
    std::string problem;
    server = metrics::MetricsHttpServer::start(
        *metricsAt,
        [&registry](metrics::ExpositionFormat format) {
          return metrics::exposition(registry.snapshot(), format, TARVO_VERSION);
        },
        problem);
    if (!server) return usageError("--metrics: " + problem);
  }

  JsonLines json;
  ConsoleWatchView view(isatty(STDOUT_FILENO) != 0, args.has("--json") ? &json : nullptr);
  // Started before the monitor and finished after it, so every result of
  // the run reaches the file.
  std::unique_ptr<history::HistoryWriter> recorder;
  if (s.history && !args.has("--no-history")) recorder = startHistory(s, view);

  RunSwitch runs(hosts);
  ConsoleBreak::setHandler([&runs, &view] {
    view.stopping("  Stopping the Monitor...");
    runs.breakRuns();
  });
  // A reload reads the list again; the hosts that stay keep their metrics.
  if (args.value("--file")) {
    ConsoleBreak::setReloadHandler([&] {
      std::vector<std::string> next;
      std::string problem = readHosts(args, next);
      if (problem.empty() && next.empty()) problem = "the list names no host";
      if (!problem.empty()) {
        view.stopping("tarvo-cli watch: " + problem + "; the hosts watched stay as they were");
      } else if (runs.replaceHosts(next)) {
        view.stopping("  Watch list read again: " + std::to_string(next.size()) + " hosts");
      }
    });
  }
  std::uint64_t replies = 0;
  int status = kExitNotReached;
  for (bool more = true; more;) {
    WatchRun run;
    run.settings = monitorSettingsFrom(s);
    run.hosts = hosts;
    run.echoFactory = icmpEchoServiceFactory();
    run.resolver = Resolver::systemIn();
    if (recorder) run.sinks.push_back(recorder.get());
    if (server) run.sinks.push_back(&registry);
    TCtrlWatch controller(std::move(run), view);
    if (!controller.start()) {
      std::fprintf(stderr, "  \u00B7 Could not create the thread controler\n");
      status = kExitUsage;
      break;
    }
    runs.attach(controller);
    controller.waitFor();
    replies += controller.replies();
    auto next = runs.detach();
    more = next.has_value();
    if (more) {
      hosts = std::move(*next);
      registry.setHosts(hosts);
    }
  }
  ConsoleBreak::setReloadHandler(nullptr);
  ConsoleBreak::setHandler(nullptr);
  if (recorder) recorder->finish();
  if (status == kExitUsage) return status;
  return replies > 0 ? kExitReached : kExitNotReached;
}

}  // namespace tarvo::cli
