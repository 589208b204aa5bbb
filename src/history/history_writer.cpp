#include "history/history_writer.h"

#include <chrono>

namespace tarvo::history {

namespace {

TimeUs microsOf(std::chrono::system_clock::time_point time) {
  return std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
}

// Upkeep runs between writes for at most this long, so a large backlog
// (an upgraded file, a long pause) never delays the next write much.
constexpr auto kUpkeepBudget = std::chrono::milliseconds(100);
// Upkeep with nothing left to do still looks at every host, so it runs
// only this often then.
constexpr auto kUpkeepEvery = std::chrono::seconds(10);

}  // namespace

HistoryWriter::HistoryWriter(std::unique_ptr<HistoryStore> store, Retention retention,
                             NoticeFn notice)
    : store_(std::move(store)), retention_(retention), notice_(std::move(notice)) {}

HistoryWriter::HistoryWriter(std::string path, Retention retention, NoticeFn notice)
    : path_(std::move(path)), retention_(retention), notice_(std::move(notice)) {}

HistoryWriter::~HistoryWriter() { finish(); }

bool HistoryWriter::openStore() {
  if (store_) return true;
  OpenOutcome opened = HistoryStore::open(path_, HistoryStore::Mode::Write);
  if (!opened.store) {
    closed_ = true;
    notice_("  History not recorded: " + opened.message);
    std::lock_guard lock(mutex_);
    pending_.clear();
    return false;
  }
  if (!opened.message.empty()) notice_("  History: " + opened.message);
  store_ = std::move(opened.store);
  return true;
}

void HistoryWriter::record(const std::string& item, const std::string& address,
                           const WatchResult& result) {
  if (closed_.load(std::memory_order_relaxed)) return;
  Recorded r;
  r.host = HostKey{item, address};
  r.result.time = microsOf(result.time);
  if (result.replied) r.result.rttUs = result.roundTripUs;
  r.result.status = result.status;
  std::lock_guard lock(mutex_);
  pending_.push_back(std::move(r));
}

void HistoryWriter::finish() {
  if (!started()) return;
  requestStop();
  waitFor();
}

void HistoryWriter::execute() {
  if (!openStore()) return;
  auto nextUpkeep = std::chrono::steady_clock::now();
  for (;;) {
    const bool stopping = rest(kFlushMs);
    flush();
    if (stopping) break;
    const auto start = std::chrono::steady_clock::now();
    if (failing_ || start < nextUpkeep) continue;
    const TimeUs now = microsOf(std::chrono::system_clock::now());
    bool more = true;
    while (more && std::chrono::steady_clock::now() < start + kUpkeepBudget) {
      more = store_->maintain(now, retention_);
    }
    nextUpkeep = more ? start : start + kUpkeepEvery;
  }
  dropped_ += failed_.size();
  if (dropped_ > 0) {
    notice_("  History: " + std::to_string(dropped_) + " results lost: " + store_->error());
  }
}

void HistoryWriter::flush() {
  {
    std::lock_guard lock(mutex_);
    if (failed_.empty()) {
      failed_.swap(pending_);
    } else {
      failed_.insert(failed_.end(), std::make_move_iterator(pending_.begin()),
                     std::make_move_iterator(pending_.end()));
      pending_.clear();
    }
  }
  if (failed_.empty()) return;
  if (store_->write(failed_)) {
    if (failing_) notice_("  History: written again");
    failing_ = false;
    failed_.clear();
    return;
  }
  // Kept for the next turn, up to a bound; the oldest go first.
  if (!failing_) notice_("  History: cannot write: " + store_->error());
  failing_ = true;
  if (failed_.size() > kMaxPending) {
    const std::size_t excess = failed_.size() - kMaxPending;
    failed_.erase(failed_.begin(), failed_.begin() + static_cast<std::ptrdiff_t>(excess));
    dropped_ += excess;
  }
}

}  // namespace tarvo::history
