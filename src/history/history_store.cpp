#include "history/history_store.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <thread>

#include "history/history_file.h"
#include "history/history_math.h"
#include "history/history_schema.h"
#include "settings/settings.h"

namespace tarvo::history {

namespace {

constexpr TimeUs kMinuteUs = 60'000'000;
constexpr TimeUs kDayUs = 86'400'000'000;
// Finished minutes are turned into minute rows only this long after their
// end, so results still held in another monitor's batch are in.
constexpr TimeUs kAggregateLagUs = 2 * kMinuteUs;
// Opens that find the file busy, a tenth of a second apart.
constexpr int kOpenTries = 30;

TimeUs minuteOf(TimeUs time) {
  TimeUs q = time / kMinuteUs;
  if (time % kMinuteUs < 0) --q;
  return q * kMinuteUs;
}

Result resultOf(SQLite::Statement& q, int first) {
  Result r;
  r.time = q.getColumn(first).getInt64();
  if (!q.getColumn(first + 1).isNull()) {
    r.rttUs = static_cast<std::uint64_t>(q.getColumn(first + 1).getInt64());
  }
  r.status = q.getColumn(first + 2).getInt();
  return r;
}

std::int64_t progress(SQLite::Database& db) {
  return db.execAndGet("SELECT value FROM progress WHERE name = 'aggregated'").getInt64();
}

}  // namespace

std::string defaultHistoryPath() {
  if (const char* named = std::getenv("TARVO_HISTORY"); named && named[0] != '\0') return named;
  return settings::defaultWatchLogPath() + "history.sqlite";
}

HistoryStore::HistoryStore(std::unique_ptr<SQLite::Database> db) : db_(std::move(db)) {}
HistoryStore::~HistoryStore() = default;

std::unique_ptr<HistoryStore> HistoryStore::openMemory() {
  auto db = std::make_unique<SQLite::Database>(":memory:", SQLite::OPEN_READWRITE);
  createOrUpgrade(*db);
  return std::unique_ptr<HistoryStore>(new HistoryStore(std::move(db)));
}

OpenOutcome HistoryStore::open(const std::string& path, Mode mode) {
  OpenOutcome outcome;
  FileCheck check = checkHistoryFile(path, mode == Mode::Write);
  if (!check.usable) {
    outcome.message = check.problem;
    return outcome;
  }
  auto attempt = [&]() -> std::unique_ptr<SQLite::Database> {
    const int flags = SQLite::OPEN_READWRITE | SQLite::OPEN_NOFOLLOW |
                      (mode == Mode::Write ? SQLite::OPEN_CREATE : 0);
    // Another monitor may hold the file for a moment: wait rather than fail.
    auto db = std::make_unique<SQLite::Database>(path, flags, 5000);
    db->exec("PRAGMA journal_mode = WAL");
    // With WAL, NORMAL loses nothing a killed process had committed.
    db->exec("PRAGMA synchronous = NORMAL");
    // Checkpoints copy the log into the file; fewer, larger ones cost a
    // monitor of a thousand hosts a third less. The log is cut back after.
    db->exec("PRAGMA wal_autocheckpoint = 10000");
    db->exec("PRAGMA journal_size_limit = 67108864");
    // Room for the last pages of every host's run of results.
    db->exec("PRAGMA cache_size = -16384");
    if (foreignFile(*db)) throw SQLite::Exception("not a history file", SQLITE_NOTADB);
    const int version = layoutVersion(*db);
    if (version > kLayoutVersion) {
      outcome.message = path + " was written by a newer version (layout " +
                        std::to_string(version) + "); it is left as it is";
      return nullptr;
    }
    if (version < kLayoutVersion) {
      createOrUpgrade(*db);
      if (version > 0)
        outcome.message = path + " was upgraded to layout " + std::to_string(kLayoutVersion);
    }
    return db;
  };
  // A file another monitor is creating or switching to WAL right now
  // refuses without waiting; it is ready a moment later.
  for (int tries = 1;; ++tries) {
    try {
      if (auto db = attempt()) outcome.store.reset(new HistoryStore(std::move(db)));
      return outcome;
    } catch (const SQLite::Exception& e) {
      const int code = e.getErrorCode();
      if ((code == SQLITE_BUSY || code == SQLITE_LOCKED) && tries < kOpenTries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        continue;
      }
      if (code != SQLITE_NOTADB && code != SQLITE_CORRUPT) {
        outcome.message = path + ": " + e.what();
        return outcome;
      }
      break;
    }
  }
  if (mode == Mode::Read) {
    outcome.message = path + " is damaged";
    return outcome;
  }
  const SetAside aside = setAsideDamaged(path);
  if (!aside.ok) {
    outcome.message = path + " is damaged and could not be set aside: " + aside.problem;
    return outcome;
  }
  try {
    if (auto db = attempt()) outcome.store.reset(new HistoryStore(std::move(db)));
    outcome.message = path + " was damaged: kept as " + aside.name + ", a new history begins";
  } catch (const SQLite::Exception& e) {
    outcome.message = path + ": " + e.what();
  }
  return outcome;
}

bool HistoryStore::write(std::span<const Recorded> batch) {
  try {
    SQLite::Transaction transaction(*db_, SQLite::TransactionBehavior::IMMEDIATE);
    SQLite::Statement findHost(*db_, "SELECT id FROM host WHERE item = ? AND address = ?");
    SQLite::Statement addHost(*db_, "INSERT INTO host (item, address) VALUES (?, ?)");
    SQLite::Statement add(*db_, "INSERT OR IGNORE INTO result VALUES (?, ?, ?, ?)");
    std::map<HostKey, std::int64_t>& ids = hostIds_;
    for (const Recorded& r : batch) {
      auto found = ids.find(r.host);
      if (found == ids.end()) {
        findHost.bind(1, r.host.item);
        findHost.bind(2, r.host.address);
        std::int64_t id = 0;
        if (findHost.executeStep()) {
          id = findHost.getColumn(0).getInt64();
        } else {
          addHost.bind(1, r.host.item);
          addHost.bind(2, r.host.address);
          addHost.exec();
          addHost.reset();
          id = db_->getLastInsertRowid();
        }
        findHost.reset();
        found = ids.emplace(r.host, id).first;
      }
      add.bind(1, found->second);
      add.bind(2, r.result.time);
      if (r.result.rttUs) {
        add.bind(3, static_cast<std::int64_t>(*r.result.rttUs));
      } else {
        add.bind(3);
      }
      add.bind(4, r.result.status);
      add.exec();
      add.reset();
    }
    transaction.commit();
    error_.clear();
    return true;
  } catch (const SQLite::Exception& e) {
    // Ids handed out in the rolled-back transaction are gone with it.
    hostIds_.clear();
    error_ = e.what();
    return false;
  }
}

namespace {

std::vector<std::int64_t> hostIds(SQLite::Database& db) {
  std::vector<std::int64_t> ids;
  SQLite::Statement q(db, "SELECT id FROM host");
  while (q.executeStep()) ids.push_back(q.getColumn(0).getInt64());
  return ids;
}

// Turns the results of the minutes from `from` on into minute rows, whole
// minutes at a time until about `rows` results are read or `cutoff` is
// reached; returns where it got to.
TimeUs aggregateFrom(SQLite::Database& db, TimeUs from, TimeUs cutoff, int rows) {
  // Each host's first result in the stretch: quiet stretches are stepped
  // over in one go.
  SQLite::Statement next(db,
                         "SELECT min(t) FROM (SELECT (SELECT min(time) FROM result WHERE "
                         "host = host.id AND time >= ?1 AND time < ?2) AS t FROM host)");
  SQLite::Statement read(db,
                         "SELECT time, rtt, status FROM result WHERE host = ? AND time >= ? AND "
                         "time < ? ORDER BY time");
  const std::vector<std::int64_t> hosts = hostIds(db);
  std::vector<std::pair<std::int64_t, Minute>> made;
  int seen = 0;
  TimeUs at = from;
  while (at < cutoff && seen < rows) {
    next.bind(1, at);
    next.bind(2, cutoff);
    const bool any = next.executeStep() && !next.getColumn(0).isNull();
    const TimeUs first = any ? next.getColumn(0).getInt64() : cutoff;
    next.reset();
    if (!any) {
      at = cutoff;
      break;
    }
    at = minuteOf(first);
    std::vector<Result> results;
    for (const std::int64_t host : hosts) {
      read.bind(1, host);
      read.bind(2, at);
      read.bind(3, at + kMinuteUs);
      while (read.executeStep()) results.push_back(resultOf(read, 0));
      read.reset();
      seen += static_cast<int>(results.size());
      for (const Minute& m : minutesOf(results)) made.emplace_back(host, m);
      results.clear();
    }
    at += kMinuteUs;
  }
  SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
  SQLite::Statement put(db, "INSERT OR REPLACE INTO minute VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  for (const auto& [host, m] : made) {
    put.bind(1, host);
    put.bind(2, m.start);
    put.bind(3, static_cast<std::int64_t>(m.count));
    put.bind(4, static_cast<std::int64_t>(m.lost));
    put.bind(5, static_cast<std::int64_t>(m.minUs));
    put.bind(6, static_cast<std::int64_t>(m.maxUs));
    put.bind(7, m.sumUs);
    put.bind(8, m.sumSquaresUs);
    put.bind(9, static_cast<std::int64_t>(m.p50Us));
    put.bind(10, static_cast<std::int64_t>(m.p95Us));
    put.exec();
    put.reset();
  }
  // Another monitor may have got further meanwhile.
  SQLite::Statement done(db, "UPDATE progress SET value = max(value, ?) WHERE name = 'aggregated'");
  done.bind(1, at);
  done.exec();
  transaction.commit();
  return at;
}

// Deletes the rows of `table` older than `before`, host by host, at most
// `budget` rows in all (each host's in a short transaction of its own);
// true when some are left.
bool deleteBefore(SQLite::Database& db, const std::string& table, const std::string& column,
                  TimeUs before, int budget) {
  SQLite::Statement nth(db, "SELECT " + column + " FROM " + table + " WHERE host = ? AND " +
                                column + " < ? ORDER BY " + column + " LIMIT 1 OFFSET ?");
  SQLite::Statement del(db, "DELETE FROM " + table + " WHERE host = ? AND " + column + " < ?");
  for (const std::int64_t host : hostIds(db)) {
    if (budget <= 0) return true;
    // The budget-th oldest row, if there is one, bounds this step.
    nth.bind(1, host);
    nth.bind(2, before);
    nth.bind(3, budget);
    const bool beyond = nth.executeStep();
    const TimeUs bound = beyond ? nth.getColumn(0).getInt64() : before;
    nth.reset();
    del.bind(1, host);
    del.bind(2, bound);
    budget -= del.exec();
    del.reset();
    if (beyond) return true;
  }
  return false;
}

}  // namespace

bool HistoryStore::maintain(TimeUs now, Retention retention, int rows) {
  try {
    bool more = false;
    TimeUs aggregated = progress(*db_);
    if (aggregated == 0) {
      const SQLite::Column first = db_->execAndGet(
          "SELECT min(t) FROM (SELECT (SELECT min(time) FROM result WHERE host = host.id) AS t "
          "FROM host)");
      if (!first.isNull()) aggregated = minuteOf(first.getInt64());
    }
    const TimeUs cutoff = minuteOf(now - kAggregateLagUs);
    if (aggregated != 0 && aggregated < cutoff) {
      aggregated = aggregateFrom(*db_, aggregated, cutoff, rows);
      more = aggregated < cutoff;
    }
    // Raw results go only once their minutes are kept.
    TimeUs rawCut = minuteOf(now - retention.rawDays * kDayUs);
    if (aggregated != 0 && aggregated < rawCut) rawCut = aggregated;
    if (aggregated != 0) more |= deleteBefore(*db_, "result", "time", rawCut, rows);
    more |=
        deleteBefore(*db_, "minute", "start", minuteOf(now - retention.minuteDays * kDayUs), rows);
    error_.clear();
    return more;
  } catch (const SQLite::Exception& e) {
    error_ = e.what();
    return false;
  }
}

}  // namespace tarvo::history
