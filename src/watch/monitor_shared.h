#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/guarded.h"

namespace tarvo {

// Codes of a host's name look-up within one resolution round.
namespace resolve_state {
constexpr int kIdle = 0;             // nothing to do in this round (resolved earlier)
constexpr int kToLookUp = 401;       // to be looked up
constexpr int kRunning = 402;        // resolver running
constexpr int kResolved = 404;       // look-up succeeded, caption ready
constexpr int kNameFailed = 408;     // forward look-up failed, caption ready
constexpr int kAddressFailed = 409;  // reverse look-up failed, caption ready
constexpr int kStopped = 411;        // resolver stopped before it finished
constexpr int kTaken = 417;          // result taken over; resolver to be told to stop
constexpr int kTold = 418;           // resolver told to stop; to be awaited
constexpr int kDone = 419;           // finished for this round
}  // namespace resolve_state

// The state of one host's look-up and whether the next round retries it.
struct ResolveSlot {
  int state = resolve_state::kIdle;
  int retryMark = 0;  // kToLookUp when the last look-up failed
};

// Wakes the controller when something arrived for it (a result, a finished
// look-up, a pause request), so it neither polls nor lags behind. A notify
// that comes before the wait is not lost.
class Wakeup {
 public:
  void notify() {
    // Under the lock: once the waiter has seen the flag it may end and free
    // this object, so nothing may touch it after the lock is released.
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ = true;
    cv_.notify_one();
  }
  // Waits until notified or the time is up, and consumes the notification.
  template <class Duration>
  void waitFor(Duration timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, timeout, [this] { return pending_; });
    pending_ = false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool pending_ = false;
};

// The tables one monitor run shares between its controller, workers and
// resolvers, one slot per host, each table under its own lock. A lock is
// held for one copy, append or take-all only, and never two at once.
struct MonitorShared {
  explicit MonitorShared(std::size_t hosts)
      : hostText(hosts),
        captionText(hosts),
        resultQueue(hosts),
        resolve(hosts),
        nameFailed(hosts, char{0}) {}

  // Starts as the item text; a resolver puts the address of a name here.
  Guarded<std::vector<std::string>> hostText;
  // A resolver's caption for the host's graph.
  Guarded<std::vector<std::string>> captionText;
  // Result tokens appended by the workers, taken all at once by the
  // controller, with the hosts that have any (so a turn of the controller
  // costs nothing for the hosts that have nothing new).
  struct ResultQueues {
    explicit ResultQueues(std::size_t hosts) : tokens(hosts) {}
    std::vector<std::vector<std::string>> tokens;
    std::vector<std::size_t> waiting;  // hosts with tokens, in arrival order
  };
  Guarded<ResultQueues> resultQueue;
  Guarded<std::vector<ResolveSlot>> resolve;
  // Hosts whose name could not be looked up: their worker reports each
  // turn as not reached, so the host goes down instead of falling silent.
  Guarded<std::vector<char>> nameFailed;
  // Set by the front end, read by the controller.
  Guarded<bool> pauseRequest{false};
  // Problems met by the workers (a log file that cannot be written, a host
  // that cannot be watched), for the controller to say to the front end.
  Guarded<std::vector<std::string>> notices;
  Wakeup wakeup;

  void addNotice(std::string text) {
    notices.with([&](auto& n) { n.push_back(std::move(text)); });
    wakeup.notify();
  }
  std::vector<std::string> takeNotices() {
    return notices.with([](auto& n) { return std::exchange(n, {}); });
  }

  std::string host(std::size_t i) const {
    return hostText.with([i](const auto& t) { return t[i]; });
  }
  void appendToken(std::size_t i, std::string token) {
    // Only the first result since the controller last looked wakes it; it
    // takes the others in the same turn.
    const bool first = resultQueue.with([&](ResultQueues& q) {
      const bool none = q.waiting.empty();
      if (q.tokens[i].empty()) q.waiting.push_back(i);
      q.tokens[i].push_back(std::move(token));
      return none;
    });
    if (first) wakeup.notify();
  }
  std::vector<std::string> takeTokens(std::size_t i) {
    return resultQueue.with([i](ResultQueues& q) {
      std::vector<std::string> out;
      out.swap(q.tokens[i]);
      return out;
    });
  }
  // The hosts that have tokens waiting, in host order.
  std::vector<std::size_t> takeWaiting() {
    std::vector<std::size_t> hosts =
        resultQueue.with([](ResultQueues& q) { return std::exchange(q.waiting, {}); });
    std::sort(hosts.begin(), hosts.end());
    return hosts;
  }
  bool unresolved(std::size_t i) const {
    return nameFailed.with([i](const auto& f) { return f[i] != 0; });
  }
  void setUnresolved(std::size_t i, bool failed) {
    nameFailed.with([&](auto& f) { f[i] = failed ? 1 : 0; });
  }
  int state(std::size_t i) const {
    return resolve.with([i](const auto& r) { return r[i].state; });
  }
  void setState(std::size_t i, int state) {
    resolve.with([&](auto& r) { r[i].state = state; });
  }
};

}  // namespace tarvo
