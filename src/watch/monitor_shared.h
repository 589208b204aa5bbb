#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/guarded.h"
#include "base/thread_signal.h"
#include "watch/watch_log.h"

namespace tarvo {

// Where a host's name look-up stands within one resolution round.
enum class ResolveState {
  Idle,           // nothing to do in this round (resolved earlier)
  ToLookUp,       // to be looked up
  Running,        // resolver running
  Resolved,       // look-up succeeded, caption ready
  NameFailed,     // forward look-up failed, caption ready
  AddressFailed,  // reverse look-up failed, caption ready
  Stopped,        // resolver stopped before it finished
  Taken,          // result taken over; resolver to be told to stop
  Told,           // resolver told to stop; to be awaited
  Done,           // finished for this round
};

// The state of one host's look-up and whether the next round retries it.
struct ResolveSlot {
  ResolveState state = ResolveState::Idle;
  bool retry = false;  // the last look-up failed
};

// The tables one monitor run shares between its controller, workers and
// resolvers, one slot per host, each table under its own lock. A lock is
// held for one copy, append or take-all only, and never two at once.
struct MonitorShared {
  // `wakeup` is the controller's: anything that arrives for it wakes it,
  // so it neither polls nor lags behind.
  MonitorShared(std::size_t hosts, ThreadSignal& wakeup)
      : hostText(hosts),
        captionText(hosts),
        resultQueue(hosts),
        resolve(hosts),
        nameFailed(hosts, char{0}),
        wakeup(wakeup) {}

  // Starts as the item text; a resolver puts the address of a name here.
  Guarded<std::vector<std::string>> hostText;
  // A resolver's caption for the host's graph.
  Guarded<std::vector<std::string>> captionText;
  // Results appended by the workers, taken all at once by the controller,
  // with the hosts that have any (so a turn of the controller costs nothing
  // for the hosts that have nothing new).
  struct ResultQueues {
    explicit ResultQueues(std::size_t hosts) : results(hosts) {}
    std::vector<std::vector<WatchResult>> results;
    std::vector<std::size_t> waiting;  // hosts with results, in arrival order
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
  ThreadSignal& wakeup;

  void addNotice(std::string text) {
    notices.with([&](auto& n) { n.push_back(std::move(text)); });
    wakeup.wake();
  }
  std::vector<std::string> takeNotices() {
    return notices.with([](auto& n) { return std::exchange(n, {}); });
  }

  std::string host(std::size_t i) const {
    return hostText.with([i](const auto& t) { return t[i]; });
  }
  void appendResult(std::size_t i, WatchResult result) {
    // Only the first result since the controller last looked wakes it; it
    // takes the others in the same turn.
    const bool first = resultQueue.with([&](ResultQueues& q) {
      const bool none = q.waiting.empty();
      if (q.results[i].empty()) q.waiting.push_back(i);
      q.results[i].push_back(result);
      return none;
    });
    if (first) wakeup.wake();
  }
  // Swaps the host's results into `into` (emptied first): the host keeps the
  // emptied vector's room, so a steady monitor allocates nothing per result.
  void takeResults(std::size_t i, std::vector<WatchResult>& into) {
    into.clear();
    resultQueue.with([&](ResultQueues& q) { q.results[i].swap(into); });
  }
  // The hosts that have results waiting, in host order.
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
  ResolveState state(std::size_t i) const {
    return resolve.with([i](const auto& r) { return r[i].state; });
  }
  void setState(std::size_t i, ResolveState state) {
    resolve.with([&](auto& r) { r[i].state = state; });
  }
};

}  // namespace tarvo
