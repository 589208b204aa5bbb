#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "base/pacer.h"
#include "base/thread_base.h"
#include "engine/echo_service.h"
#include "engine/worker_loop.h"
#include "range/range_plan.h"
#include "range/range_report.h"
#include "range/range_slot_table.h"
#include "range/range_view.h"
#include "range/range_worker.h"

namespace tarvo {

// Everything one range run needs, taken when it starts; the run never reads
// settings or controls afterwards.
struct RangeSnapshot {
  RangeInput input;              // the eight octets as validated by the window
  int netMaskBits = 24;          // 16..31
  std::uint32_t count = 1;       // echo requests per address
  std::uint32_t waitMs = 1000;   // time-out of each request
  std::uint32_t delayMs = 1000;  // minimum interval between requests to one address
  std::uint16_t dataSize = 32;   // request data bytes
  std::uint8_t ttl = 60;
  std::uint8_t tos = 0;
  std::uint8_t flags = 0;
  bool skipNetwork = true;         // P_DontPingNet
  bool skipBroadcast = true;       // P_DontBroadcast
  bool stopSoonOnBreak = false;    // P_BreakSoon
  bool showReached = true;         // P_ShowReachedPRIP
  bool showNotReached = true;      // P_ShowNotReachedPRIP
  bool burstMode = false;          // P_BurstMode: no start or poll pacing
  EchoServiceFactory echoFactory;  // one service per worker
  // How long thread creation may keep failing while no worker of the run is
  // left to free anything, before the run ends with "Thread start failure !".
  std::uint32_t threadRetryMs = 5000;
  // The clock the run and its workers pace by; the system clock when null.
  Clock* clock = nullptr;
  RangeResults* results = nullptr;  // the results as data as well, where wanted
};

// Runs one range ping: starts one TPingrange per address in address order,
// shows their results strictly in that order and closes with the report.
// The view sees: begin, earlier hosts forgotten and both status parts
// emptied, then per address its line, the address tried (what it is doing),
// the reached count (what it counted) and the host as reached or not (the
// first of each kind picked), and the report, end. A RangeView also hears how many
// addresses are done: none once they are known, then after every address.
//
// In the window: TCtrlPing::launch(snapshot, view) creates it self-freeing;
// the window keeps the pointer only while its range run is marked active
// (the end step clears that) and uses it only for requestStop() ("&Break").
// Elsewhere: construct, start(), waitFor(), then read counts().
class TCtrlPing : public ThreadBase {
 public:
  // Start intervals without burst mode: worker starts and result polls.
  static constexpr std::uint32_t kStartIntervalMs = 50;
  static constexpr std::uint32_t kPollIntervalMs = 10;

  TCtrlPing(RangeSnapshot snapshot, RunView& view);
  ~TCtrlPing() override;

  // Creates a self-freeing controller and starts it. Nothing when the
  // thread cannot be created (the caller shows "  · Could not create the
  // thread controler"); nothing has been shown then.
  static TCtrlPing* launch(RangeSnapshot snapshot, RunView& view);

  // The run's counters; final once the thread has ended.
  const RangeCounts& counts() const { return counts_; }

 protected:
  void execute() override;
  // Hands a created worker to the run's loop; false when there is no loop
  // (the system refused its thread). A seam for tests that simulate thread
  // exhaustion.
  virtual bool startWorker(TPingrange& worker) { return worker.start(); }

 private:
  void runLoop();
  bool collectPhase();
  void startPhase();
  void startFailed(std::uint32_t slot);
  void takeSlot(std::uint32_t slot, std::int32_t code);
  void stopWorkers(std::uint32_t from, std::uint32_t to);
  void endWorker(std::uint32_t slot);
  void reapFinishedWorkers();
  void joinEnding(std::size_t n);
  void confirmStarts(std::size_t window);
  void pace(Pacer& pacer);
  void showProgress();
  void closingReport(std::time_t startTime, RangeResults::TimePoint startClock);

  RangeSnapshot snapshot_;
  WorkerLoop loop_;  // where the workers run; outlives them (members go in reverse order)
  RunView& view_;
  RangeView* progressView_;  // view_ when it follows the progress, else null
  RangeWorkerSettings workerSettings_;
  Pacer startPacer_;                              // worker starts; no interval in burst mode
  Pacer pollPacer_;                               // result polls; no interval in burst mode
  std::optional<Clock::TimePoint> failingSince_;  // thread creation failing, nothing to wait for
  std::optional<RangePlan> plan_;
  std::unique_ptr<RangeSlotTable> table_;
  std::vector<std::unique_ptr<TPingrange>> workers_;  // by slot; controller only
  std::deque<std::unique_ptr<TPingrange>> ending_;    // collected, not yet waited for
  std::deque<std::uint32_t> unconfirmed_;             // burst starts not yet handshaken
  RangeCounts counts_;
};

}  // namespace tarvo
