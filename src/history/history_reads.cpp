// The store's reads: what the console's history command and the window's
// graphs ask of it.
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <limits>

#include "history/history_math.h"
#include "history/history_store.h"

namespace tarvo::history {

namespace {

constexpr TimeUs kMinuteUs = 60'000'000;
constexpr TimeUs kNever = std::numeric_limits<TimeUs>::max();

TimeUs minuteOf(TimeUs time) {
  TimeUs q = time / kMinuteUs;
  if (time % kMinuteUs < 0) --q;
  return q * kMinuteUs;
}

std::optional<std::int64_t> hostId(SQLite::Database& db, const HostKey& host) {
  SQLite::Statement q(db, "SELECT id FROM host WHERE item = ? AND address = ?");
  q.bind(1, host.item);
  q.bind(2, host.address);
  if (!q.executeStep()) return std::nullopt;
  return q.getColumn(0).getInt64();
}

std::vector<Result> rawResults(SQLite::Database& db, std::int64_t id, TimeRange range) {
  SQLite::Statement q(db,
                      "SELECT time, rtt, status FROM result WHERE host = ? AND time >= ? AND "
                      "time < ? ORDER BY time");
  q.bind(1, id);
  q.bind(2, range.from);
  q.bind(3, range.to);
  std::vector<Result> out;
  while (q.executeStep()) {
    Result r;
    r.time = q.getColumn(0).getInt64();
    if (!q.getColumn(1).isNull()) r.rttUs = static_cast<std::uint64_t>(q.getColumn(1).getInt64());
    r.status = q.getColumn(2).getInt();
    out.push_back(r);
  }
  return out;
}

double downSecondsOf(const std::vector<Outage>& outages, TimeUs lastSeen) {
  double total = 0;
  for (const Outage& o : outages) total += o.seconds(lastSeen);
  return total;
}

}  // namespace

std::vector<HostKey> HistoryStore::hosts(std::span<const std::string> filters) {
  std::vector<HostKey> out;
  SQLite::Statement q(*db_, "SELECT item, address FROM host ORDER BY item, address");
  while (q.executeStep()) {
    HostKey key{q.getColumn(0).getString(), q.getColumn(1).getString()};
    const bool chosen =
        filters.empty() || std::any_of(filters.begin(), filters.end(), [&](const std::string& f) {
          return f == key.item || f == key.address;
        });
    if (chosen) out.push_back(std::move(key));
  }
  return out;
}

std::vector<Result> HistoryStore::results(const HostKey& host, TimeRange range) {
  const auto id = hostId(*db_, host);
  return id ? rawResults(*db_, *id, range) : std::vector<Result>{};
}

TimeUs HistoryStore::rawFrom() {
  // Host by host, so each minimum is one look into the host's own rows.
  const SQLite::Column first = db_->execAndGet(
      "SELECT min(t) FROM (SELECT (SELECT min(time) FROM result WHERE host = host.id) AS t "
      "FROM host)");
  return first.isNull() ? kNever : minuteOf(first.getInt64());
}

std::vector<Minute> HistoryStore::minutes(const HostKey& host, TimeRange range) {
  std::vector<Minute> out;
  const auto id = hostId(*db_, host);
  if (!id) return out;
  const TimeUs aggregated =
      db_->execAndGet("SELECT value FROM progress WHERE name = 'aggregated'").getInt64();
  // Kept minute rows up to where aggregation got, raw results after that.
  const TimeUs split = std::clamp(aggregated, minuteOf(range.from), std::max(range.to, range.from));
  SQLite::Statement q(*db_,
                      "SELECT start, count, lost, min, max, sum, sum_squares, p50, p95 FROM "
                      "minute WHERE host = ? AND start >= ? AND start < ? ORDER BY start");
  q.bind(1, *id);
  q.bind(2, minuteOf(range.from));
  q.bind(3, split);
  while (q.executeStep()) {
    Minute m;
    m.start = q.getColumn(0).getInt64();
    m.count = static_cast<std::uint32_t>(q.getColumn(1).getInt64());
    m.lost = static_cast<std::uint32_t>(q.getColumn(2).getInt64());
    m.minUs = static_cast<std::uint64_t>(q.getColumn(3).getInt64());
    m.maxUs = static_cast<std::uint64_t>(q.getColumn(4).getInt64());
    m.sumUs = q.getColumn(5).getDouble();
    m.sumSquaresUs = q.getColumn(6).getDouble();
    m.p50Us = static_cast<std::uint64_t>(q.getColumn(7).getInt64());
    m.p95Us = static_cast<std::uint64_t>(q.getColumn(8).getInt64());
    out.push_back(m);
  }
  const std::vector<Minute> recent =
      minutesOf(rawResults(*db_, *id, TimeRange{std::max(split, range.from), range.to}));
  out.insert(out.end(), recent.begin(), recent.end());
  return out;
}

namespace {

// Where a host's raw results begin (at a minute's start), and whether only
// minutes are kept of the range before that.
struct RawSplit {
  TimeUs raw = kNever;
  bool minutesBefore = false;
};

RawSplit rawSplit(SQLite::Database& db, std::int64_t id, TimeRange range) {
  RawSplit split;
  SQLite::Statement first(db, "SELECT min(time) FROM result WHERE host = ?");
  first.bind(1, id);
  if (first.executeStep() && !first.getColumn(0).isNull()) {
    split.raw = minuteOf(first.getColumn(0).getInt64());
  }
  if (range.from >= split.raw) return split;
  SQLite::Statement kept(db, "SELECT 1 FROM minute WHERE host = ? AND start >= ? AND start < ?");
  kept.bind(1, id);
  kept.bind(2, minuteOf(range.from));
  kept.bind(3, std::min(split.raw, range.to));
  split.minutesBefore = kept.executeStep();
  return split;
}

}  // namespace

std::vector<Outage> HistoryStore::outages(const HostKey& host, TimeRange range,
                                          StateThresholds thresholds) {
  const auto id = hostId(*db_, host);
  if (!id) return {};
  const RawSplit split = rawSplit(*db_, *id, range);
  if (!split.minutesBefore) return outagesOf(rawResults(*db_, *id, range), thresholds);
  // Only minutes are kept before the raw results: whole minutes down there.
  std::vector<Outage> out = minuteOutagesOf(minutes(host, TimeRange{range.from, split.raw}));
  if (split.raw < range.to) {
    const std::vector<Outage> recent =
        outagesOf(rawResults(*db_, *id, TimeRange{split.raw, range.to}), thresholds);
    out.insert(out.end(), recent.begin(), recent.end());
  }
  return out;
}

Summary HistoryStore::summary(const HostKey& host, TimeRange range, StateThresholds thresholds) {
  const auto id = hostId(*db_, host);
  if (!id) return Summary{.host = host};
  const RawSplit split = rawSplit(*db_, *id, range);
  if (!split.minutesBefore) return summarize(host, rawResults(*db_, *id, range), thresholds);
  const std::vector<Minute> all = minutes(host, range);
  Summary s = summarizeMinutes(host, all);
  const std::vector<Outage> o = outages(host, range, thresholds);
  s.outages = o.size();
  s.downSeconds = downSecondsOf(o, lastSeen(host, range));
  return s;
}

TimeUs HistoryStore::lastSeen(const HostKey& host, TimeRange range) {
  const auto id = hostId(*db_, host);
  if (!id) return range.from;
  SQLite::Statement raw(*db_,
                        "SELECT max(time) FROM result WHERE host = ? AND time >= ? AND time < ?");
  raw.bind(1, *id);
  raw.bind(2, range.from);
  raw.bind(3, range.to);
  if (raw.executeStep() && !raw.getColumn(0).isNull()) return raw.getColumn(0).getInt64();
  SQLite::Statement kept(
      *db_, "SELECT max(start) FROM minute WHERE host = ? AND start >= ? AND start < ?");
  kept.bind(1, *id);
  kept.bind(2, minuteOf(range.from));
  kept.bind(3, range.to);
  if (kept.executeStep() && !kept.getColumn(0).isNull()) {
    return kept.getColumn(0).getInt64() + kMinuteUs;
  }
  return range.from;
}

std::optional<TimeRange> HistoryStore::span() {
  SQLite::Statement q(*db_,
                      "SELECT min(a), max(b) FROM (SELECT (SELECT min(time) FROM result WHERE "
                      "host = host.id) AS a, (SELECT max(time) FROM result WHERE host = host.id) "
                      "AS b FROM host UNION ALL SELECT (SELECT min(start) FROM minute WHERE host = "
                      "host.id), (SELECT max(start) + 60000000 FROM minute WHERE host = host.id) "
                      "FROM host)");
  if (!q.executeStep() || q.getColumn(0).isNull()) return std::nullopt;
  return TimeRange{q.getColumn(0).getInt64(), q.getColumn(1).getInt64() + 1};
}

}  // namespace tarvo::history
