#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/thread_base.h"
#include "engine/echo_service.h"
#include "engine/resolver.h"
#include "engine/worker_loop.h"
#include "watch/host_state.h"
#include "watch/monitor_settings.h"
#include "watch/monitor_shared.h"
#include "watch/resolve_thread.h"
#include "watch/result_sink.h"
#include "watch/watch_view.h"
#include "watch/watch_worker.h"

namespace tarvo {

// "  Not watched, no thread could be started (<cause>): <host>, ..." naming
// the first few hosts and counting the rest.
std::string notWatchedNotice(const std::vector<std::string>& hosts, int err);

// Everything one monitor run needs, taken when it starts.
struct WatchRun {
  MonitorSettings settings;
  std::vector<std::string> hosts;  // the checked items, in list order
  EchoServiceFactory echoFactory;  // one service per worker
  Resolver resolver;               // shared by the run's resolvers
  Clock* clock = nullptr;          // the system clock when null
  // Problems the front end met while preparing the run (a history or
  // metrics endpoint that cannot be had), said once the hosts are counted,
  // so they are what the status line ends on.
  std::vector<std::string> startNotices;
  std::vector<ResultSink*> sinks;  // each gets every result (the history, the metrics)
};

// Runs the watch monitor: builds one graph and one worker per host, looks
// the hosts up as the resolve mode says, turns every result token into a
// graph point, judges from them whether each host is up or down, forwards
// pause requests and, once stopped, stops and awaits
// every resolver and worker before it shows the stopped state.
// Not self-freeing: the front end stops it, waits for it and deletes it.
class TCtrlWatch : public ThreadBase {
 public:
  // Attempts at a host's graph and worker before the start gives up on it
  // and on every host after it.
  static constexpr int kCreateAttempts = 3;
  // Rest between two continuous resolution rounds, so an unknown name does
  // not keep the name service and a core busy.
  static constexpr std::uint32_t kRoundPauseMs = 1000;

  TCtrlWatch(WatchRun run, WatchView& view);
  ~TCtrlWatch() override;

  // The front end's stop ("S&top"): the run ends after its closing steps.
  void stop();
  // The front end's "&Pause" / "&Resume".
  void setPaused(bool paused);

  // Replies seen so far (any host).
  std::uint64_t replies() const { return replies_.load(std::memory_order_relaxed); }
  // Hosts that got a graph and a worker; final once the start is done.
  std::size_t startedCount() const { return startedCount_.load(); }
  // Hosts whose worker really runs; final once the start is done.
  std::size_t watchedCount() const { return watchedCount_.load(); }

 protected:
  void execute() override;

 private:
  void initialise();
  void startWorkers();
  void monitor();
  void newRound();
  // One step of host i's look-up; true when the next step is due at once.
  bool resolveStep(std::size_t i);
  void drain(std::size_t i);
  void finish();
  void sayNotices();
  void status(const std::string& text);

  WatchRun run_;
  WatchView& view_;
  std::unique_ptr<MonitorShared> shared_;
  WorkerLoop loop_;  // where the workers run; outlives them
  EventLoop* workerLoop_ = nullptr;
  std::vector<std::unique_ptr<TWatchTh>> workers_;      // controller only
  std::vector<std::unique_ptr<TResolveTh>> resolvers_;  // controller only
  std::vector<HostStateTracker> states_;                // controller only
  std::vector<std::string> addresses_;                  // as last told the view
  std::vector<char> addressDue_;    // the host's text may have changed since it was told
  std::vector<WatchResult> taken_;  // a host's results in hand, its room kept for the next
  std::atomic<std::size_t> startedCount_{0};
  std::atomic<std::size_t> watchedCount_{0};
  std::atomic<std::uint64_t> replies_{0};
  bool pausedNow_ = false;
  bool captionStarting_ = false;
  bool resolveDone_ = false;
  std::size_t doneCount_ = 0;
  std::optional<Clock::TimePoint> roundEnded_;
};

}  // namespace tarvo
