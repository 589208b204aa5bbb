#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/event_loop.h"
#include "base/pacer.h"
#include "base/round_trip_stats.h"
#include "engine/echo_lease.h"
#include "engine/echo_service.h"
#include "watch/log_writer.h"
#include "watch/monitor_settings.h"
#include "watch/monitor_shared.h"
#include "watch/watch_log.h"

namespace tarvo {

// Pings one monitored host again and again until told to stop: waits until
// its slot of hostText holds an address, then sends one request per delay,
// hands one result per request to the controller and writes the log
// lines the settings ask for. A small state machine on an event loop (the
// echo engine's, or one of its own), not a thread: it holds no thread while
// its request is out or while it rests. Created by the controller, which
// starts, stops, awaits and deletes it.
class TWatchTh : public LoopTask, private EchoCompletion {
 public:
  // Without a loop the worker runs on one of its own, made at start().
  TWatchTh(std::size_t index, const MonitorSettings& settings, MonitorShared& shared,
           EchoServiceFactory echoFactory, EventLoop* loop = nullptr);
  ~TWatchTh() override;

  // False when no loop can be had to run it.
  bool start();
  // The error of a start that failed for want of a thread, 0 if none.
  int startError() const { return startError_; }
  // Any thread. Ends any wait, but never cuts short a request already sent.
  void requestStop();
  bool stopRequested() const { return stop_.load(std::memory_order_acquire); }

  // No requests while paused; on resume the next request is due as the
  // delay says, counted from the last request sent.
  void setPaused(bool paused);

  // The clock the worker paces by; set before start().
  void setClock(Clock& clock) { clock_ = &clock; }

 protected:
  void run() override;

 private:
  enum class Step { Begin, Address, Ready, InFlight };

  void echoDone(const EchoResult& result) override;
  void begin();
  void lookForAddress();
  void prepare(const IpAddress& parsed, std::string addressText);
  void next();
  void answered();
  void finish();
  Clock::TimePoint now() const { return clock_->now(); }

  std::size_t index_;
  const MonitorSettings& settings_;
  MonitorShared& shared_;
  EchoServiceFactory echoFactory_;
  EventLoop* loop_;
  std::unique_ptr<EventLoop> ownLoop_;
  Clock* clock_ = &systemClock();
  int startError_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> paused_{false};

  // Loop thread only.
  Step step_ = Step::Begin;
  std::unique_ptr<EchoLease> echo_;
  std::optional<Clock::TimePoint> addressDue_;  // the next look at the host's address
  IpAddress destination_;
  std::string lineAddress_;  // the address of the request out, for its log line
  std::vector<std::uint8_t> payload_;
  LogChoice log_{};
  std::optional<LogWriter> logWriter_;
  EchoOptions options_;
  RoundTripStats counters_;
  std::uint32_t sequence_ = 1;
  bool previousReplied_ = false;
  bool first_ = true;
  bool anySent_ = false;
  std::optional<Pacer> pacer_;

  // The answer, written by whichever thread has it before it delivers.
  EchoResult result_;
};

}  // namespace tarvo
