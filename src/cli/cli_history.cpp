#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_args.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "cli/console_output.h"
#include "cli/console_settings.h"
#include "cli/console_text.h"
#include "cli/history_format.h"
#include "cli/history_when.h"
#include "cli/json_lines.h"
#include "history/history_store.h"
#include "watch/monitor_settings.h"

namespace tarvo::cli {

namespace {

using history::HistoryStore;
using history::HostKey;
using history::TimeRange;
using history::TimeUs;

enum class Format { Text, Json, Csv };

int usageError(const std::string& text) {
  std::fprintf(stderr, "tarvo-cli history: %s\n", text.c_str());
  return kExitUsage;
}

// Writes one piece of output; false once standard output has failed.
bool put(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  return checkOutput(stdout);
}

// What is printed, in the chosen format: a header before the first row.
class HistoryOutput {
 public:
  HistoryOutput(Format format, TextColumns columns)
      : format_(format), columns_(std::move(columns)) {}
  TextColumns& columns() { return columns_; }
  bool any() const { return rows_ > 0; }

  bool row(const JsonObject& record, const std::vector<std::string>& cells) {
    const bool first = rows_++ == 0;
    switch (format_) {
      case Format::Json:
        json_.write(record);
        return checkOutput(stdout);
      case Format::Csv:
        return put((first ? csvHeader(record) : std::string()) + csvLine(record));
      case Format::Text:
        return put((first ? columns_.header() : std::string()) + columns_.line(cells));
    }
    return false;
  }

 private:
  Format format_;
  TextColumns columns_;
  JsonLines json_;
  std::size_t rows_ = 0;
};

// Summaries are all read first, so the text's columns fit every row.
void printSummaries(HistoryStore& store, const std::vector<HostKey>& hosts, TimeRange range,
                    StateThresholds thresholds, HistoryOutput& out) {
  std::vector<history::Summary> rows;
  for (const HostKey& host : hosts) {
    history::Summary s = store.summary(host, range, thresholds);
    if (s.sent == 0) continue;
    out.columns().fit(summaryCells(s));
    rows.push_back(std::move(s));
  }
  for (const auto& s : rows) {
    if (!out.row(historySummaryRecord(s), summaryCells(s))) return;
  }
}

void printOutages(HistoryStore& store, const std::vector<HostKey>& hosts, TimeRange range,
                  StateThresholds thresholds, HistoryOutput& out) {
  struct Row {
    const HostKey* host;
    history::Outage outage;
    TimeUs lastSeen;
  };
  std::vector<Row> rows;
  for (const HostKey& host : hosts) {
    for (const history::Outage& o : store.outages(host, range, thresholds)) {
      // Only an outage not over yet lasts until the host's last result.
      const TimeUs last = o.end ? *o.end : store.lastSeen(host, {o.start, range.to});
      rows.push_back({&host, o, last});
      out.columns().fit(outageCells(host, o, last));
    }
  }
  for (const Row& r : rows) {
    if (!out.row(historyOutageRecord(*r.host, r.outage, r.lastSeen),
                 outageCells(*r.host, r.outage, r.lastSeen))) {
      return;
    }
  }
}

// Results can be many: they are written host by host as they are read, in
// columns wide enough for any of them.
void printResults(HistoryStore& store, const std::vector<HostKey>& hosts, TimeRange range,
                  HistoryOutput& out) {
  for (const HostKey& host : hosts) {
    // The widest round trip a monitor waits for, the longest status.
    out.columns().fit(resultCells(host, {range.to, 65'535'000, 11050}));
  }
  for (const HostKey& host : hosts) {
    for (const history::Result& r : store.results(host, range)) {
      if (!out.row(historyResultRecord(host, r), resultCells(host, r))) return;
    }
  }
}

// The history file for reading: kExitReached with a store, or the status
// to end with once said why there is none.
int openHistory(std::unique_ptr<HistoryStore>& store) {
  const std::string path = history::defaultHistoryPath();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    std::fprintf(stderr, "tarvo-cli history: no history at %s\n", escapeControlChars(path).c_str());
    return kExitNotReached;
  }
  auto opened = HistoryStore::open(path, HistoryStore::Mode::Read);
  if (!opened.message.empty()) {
    std::fprintf(stderr, "tarvo-cli history: %s\n", escapeControlChars(opened.message).c_str());
  }
  store = std::move(opened.store);
  return store ? kExitReached : kExitUsage;
}

// What is asked of the store and printed; false when nothing was.
bool printHistory(HistoryStore& store, const std::vector<HostKey>& hosts, TimeRange range,
                  const ParsedArgs& args) {
  const StateThresholds thresholds = monitorSettingsFrom(loadConsoleSettings()).thresholds;
  const Format format = args.has("--json")  ? Format::Json
                        : args.has("--csv") ? Format::Csv
                                            : Format::Text;
  const bool outages = args.has("--outages");
  const bool results = args.has("--results");
  HistoryOutput out(format, outages   ? outageColumns()
                            : results ? resultColumns()
                                      : summaryColumns());
  if (outages) {
    printOutages(store, hosts, range, thresholds, out);
  } else if (results) {
    printResults(store, hosts, range, out);
  } else {
    printSummaries(store, hosts, range, thresholds, out);
  }
  return out.any();
}

}  // namespace

int runHistoryCommand(const std::vector<std::string>& words) {
  const ParsedArgs args = parseArgs(words, commandOptions("history")->options);
  if (!args.error.empty()) return usageError(args.error);
  if (args.has("--outages") && args.has("--results")) {
    return usageError("--outages and --results exclude each other");
  }
  if (args.has("--json") && args.has("--csv")) {
    return usageError("--json and --csv exclude each other");
  }

  const TimeUs now = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
  TimeRange range{0, now};
  const std::pair<const char*, TimeUs*> bounds[] = {{"--since", &range.from},
                                                    {"--until", &range.to}};
  for (const auto& [name, bound] : bounds) {
    if (auto text = args.value(name)) {
      const auto when = parseWhen(*text, now);
      if (!when) return usageError("bad time '" + escapeControlChars(*text) + "'");
      *bound = *when;
    }
  }
  if (range.from > range.to) return usageError("--since is after --until");

  std::unique_ptr<HistoryStore> store;
  if (const int status = openHistory(store); status != kExitReached) return status;
  // A file damaged or cut short under a reader fails the read that meets it.
  try {
    // A host named but never recorded is said, so a typing error is not
    // mistaken for a quiet host.
    bool missing = false;
    for (const std::string& name : args.positional) {
      if (store->hosts(std::vector<std::string>{name}).empty()) {
        std::fprintf(stderr, "tarvo-cli history: nothing recorded for %s\n",
                     escapeControlChars(name).c_str());
        missing = true;
      }
    }
    const std::vector<HostKey> hosts = store->hosts(args.positional);
    // "From the beginning" is from the first record: a range that starts
    // before it would be read from minutes where every raw result is kept.
    if (const auto span = store->span()) range.from = std::max(range.from, span->from);
    return printHistory(*store, hosts, range, args) && !missing ? kExitReached : kExitNotReached;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvo-cli history: cannot read the history: %s\n", e.what());
    return kExitUsage;
  }
}

}  // namespace tarvo::cli
