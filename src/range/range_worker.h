#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/event_loop.h"
#include "base/pacer.h"
#include "base/round_trip_stats.h"
#include "engine/echo_lease.h"
#include "engine/echo_service.h"
#include "engine/echo_types.h"
#include "range/range_slot_table.h"

namespace tarvo {

// What every worker of one run shares, owned by the controller, which
// outlives all its workers.
struct RangeWorkerSettings {
  int netMaskBits = 24;  // 16..31
  bool skipNetwork = true;
  bool skipBroadcast = true;
  std::uint32_t count = 1;         // echo requests per address; 0 = endless
  std::uint32_t waitMs = 1000;     // time-out of each request
  std::uint32_t delayMs = 1000;    // minimum interval between two requests
  std::uint16_t dataSize = 32;     // request data bytes
  EchoOptions options;             // ttl 60, tos 0, flags 0, no options area
  EchoServiceFactory echoFactory;  // one service per worker
  EventLoop* loop = nullptr;       // runs every worker of the run
};

// Pings one destination of a range `count` times and leaves one line and
// one result code in its slot of the run's tables. Never touches the view.
// A small state machine on the run's event loop, not a thread: it sends a
// request, waits for its answer without holding a thread, rests out the
// delay on the loop's timer and sends again. Not self-freeing: the
// controller stops, waits for and deletes it.
class TPingrange : public LoopTask, private EchoCompletion {
 public:
  TPingrange(RangeSlotTable& table, std::uint32_t slot, std::string destination,
             std::uint32_t third, std::uint32_t fourth, const RangeWorkerSettings& settings);
  ~TPingrange() override;

  // Hands the worker to the run's loop; false when there is none to run it.
  bool start();
  // Any thread. A rest ends at once; a request already out is answered or
  // times out first, as it always was.
  void requestStop();
  bool stopRequested() const { return stop_.load(std::memory_order_acquire); }

  // The clock the worker paces by (that of its loop); set before start().
  void setClock(Clock& clock) { clock_ = &clock; }
  Clock& clock() const { return *clock_; }

  // True once the worker has published its first result (code 101).
  // Guarded by the table's start lock; see RangeSlotTable::waitStarted.
  const bool& startedFlag() const { return started_; }

 protected:
  void run() override;

 private:
  enum class Step { Begin, InFlight, Resting };

  void echoDone(const EchoResult& result) override;
  void begin();
  void send();
  void answered();
  void finish(std::int32_t code, const std::string& outcome);
  void publish(std::int32_t code, const std::string& outcome);

  // What has come back so far, for the outcome kept as data.
  RoundTripStats stats_;
  std::uint16_t replyBytes_ = 0;
  std::uint8_t replyTtl_ = 0;
  std::optional<std::uint32_t> lastStatus_;

  RangeSlotTable& table_;
  const RangeWorkerSettings& settings_;
  std::uint32_t slot_;  // 1-based index into the run's tables
  std::string destination_;
  std::uint32_t third_;
  std::uint32_t fourth_;
  bool started_ = false;  // start lock
  Clock* clock_ = &systemClock();

  // Loop thread only.
  Step step_ = Step::Begin;
  std::unique_ptr<EchoLease> echo_;
  IpAddress target_;
  std::optional<Pacer> pacer_;  // made at the first step, on the clock then set
  std::uint32_t round_ = 0;
  std::int32_t code_ = range_code::kNotReached;
  std::string outcome_ = "User break";

  std::atomic<bool> stop_{false};
  // The answer, written by whichever thread has it before it delivers.
  EchoResult result_;
};

}  // namespace tarvo
