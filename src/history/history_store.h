#pragma once

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "history/history_types.h"
#include "watch/host_state.h"

namespace SQLite {
class Database;
}

namespace tarvo::history {

// Where the history is kept: the file named by TARVO_HISTORY, else
// ${XDG_STATE_HOME:-~/.local/state}/Tarvo/history.sqlite.
std::string defaultHistoryPath();

// One result with the host it belongs to, as the monitor records it.
struct Recorded {
  HostKey host;
  Result result;
};

class HistoryStore;

// What opening a history file came to: a store, or none and why; `message`
// also tells of a damaged file set aside or an older one upgraded.
struct OpenOutcome {
  std::unique_ptr<HistoryStore> store;
  std::string message;
};

// One connection to a history database (SQLite, WAL mode), used by one
// thread at a time. Several monitors and readers may share the file: every
// write is one short transaction and waits for a busy file a few seconds.
class HistoryStore {
 public:
  // The layout this program writes; an older file is upgraded in place.
  static constexpr int kVersion = 2;

  enum class Mode { Write, Read };

  // Opens the file, creating it and its folder (mode 0700) for writing. A
  // symbolic link or anything but a regular file is refused, as is a file
  // written by a newer program (it is left alone). A file that is not a
  // readable database is renamed to "<file>.damaged" (".damaged.1", ...)
  // and a new one started, for writing; a reader only says so.
  static OpenOutcome open(const std::string& path, Mode mode);
  // An empty database in memory.
  static std::unique_ptr<HistoryStore> openMemory();
  ~HistoryStore();
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  // Writes a batch in one transaction; on failure nothing of it is written
  // and error() says why.
  bool write(std::span<const Recorded> batch);

  // One small step of upkeep: turns finished minutes (older than a minute
  // before `now`) into minute rows and deletes raw results and minutes
  // older than the retention, at most `rows` rows each, so no step holds
  // the file long. True when more is left to do.
  bool maintain(TimeUs now, Retention retention, int rows = 2000);

  // The hosts with anything recorded, in item then address order; with
  // filters, those whose item text or address equals one of them.
  std::vector<HostKey> hosts(std::span<const std::string> filters = {});
  // Raw results of a host within the range, in time order.
  std::vector<Result> results(const HostKey& host, TimeRange range);
  // A host's minutes within the range, in time order: the kept minute rows,
  // and those computed from raw results where none is kept yet.
  std::vector<Minute> minutes(const HostKey& host, TimeRange range);
  // The first time from which raw results are kept for every host.
  TimeUs rawFrom();
  // A host's statistics for the range: from raw results where they are
  // kept, from minutes before that.
  Summary summary(const HostKey& host, TimeRange range, StateThresholds thresholds);
  std::vector<Outage> outages(const HostKey& host, TimeRange range, StateThresholds thresholds);
  // When the host was last heard of within the range: its last raw
  // result, or the end of its last kept minute; the range's start if never.
  // An outage still going on lasts until then.
  TimeUs lastSeen(const HostKey& host, TimeRange range);
  // The first and the last result time of every host; none when empty.
  std::optional<TimeRange> span();

  const std::string& error() const { return error_; }

 private:
  explicit HistoryStore(std::unique_ptr<SQLite::Database> db);
  std::unique_ptr<SQLite::Database> db_;
  std::string error_;
  // Hosts already in the file: rows are never deleted, so ids stay valid.
  std::map<HostKey, std::int64_t> hostIds_;
};

}  // namespace tarvo::history
