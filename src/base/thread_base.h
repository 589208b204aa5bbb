#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "base/clock.h"
#include "base/one_shot.h"
#include "base/thread_signal.h"

namespace tarvo {

// Common base of every activity thread. A thread is created suspended or
// running; the window (or the console) only ever asks it to stop, and the
// thread looks at that request between requests; a stop ends its rests and
// waits at once.
//
// With freeOnTerminate the object deletes itself when execute() returns, so
// nothing may touch it afterwards: owners keep only a handle guarded by their
// own running flag.
//
// Every object runs on a thread of its own, but a system thread whose object
// has ended waits a little for the next object to start before it exits. A
// range sweep starts tens of thousands of short-lived workers, and creating
// and tearing down a kernel thread for each would cost more than the pings.
class ThreadBase {
 public:
  // Stack size of every activity thread. Range pings run tens of thousands
  // of workers at once, so the default 8 MiB reservation would exhaust the
  // address space long before anything else.
  static constexpr std::size_t kStackBytes = 256 * 1024;

  ThreadBase() = default;
  // Waits for a started, not self-freeing object as a last resort. By then
  // the derived part is already destroyed, so owners call waitFor() before
  // they delete an object that may still run.
  virtual ~ThreadBase();
  ThreadBase(const ThreadBase&) = delete;
  ThreadBase& operator=(const ThreadBase&) = delete;

  // Starts the thread. Returns false when the system cannot create another
  // thread right now (EAGAIN and the like); the caller may try again later.
  bool start();
  bool started() const { return started_; }
  // The error of the last start() that failed (EAGAIN and the like), 0 if none.
  int startError() const { return startError_; }

  // Ends the thread's rest or wait for a wake at once.
  void requestStop() { signal_.requestStop(); }
  bool stopRequested() const { return signal_.stopRequested(); }

  // Blocks until execute() has returned. Not for self-freeing threads.
  void waitFor();
  // Longest a system thread stays parked without an object before it exits,
  // and how many may be parked at once.
  static constexpr std::uint32_t kParkedLifeMs = 250;
  static constexpr std::size_t kMaxParked = 256;
  // True once execute() has returned (not for self-freeing threads).
  bool finished() const { return done_.posted(); }

  // Must be set before start().
  void setFreeOnTerminate(bool value) { freeOnTerminate_ = value; }
  // The clock the thread paces and sleeps by; the system clock unless set
  // (before start()). Must outlive the thread.
  void setClock(Clock& clock) { clock_ = &clock; }
  Clock& clock() const { return *clock_; }

  // Number of activity threads currently alive in the process (created and
  // not yet past execute()). Lets a front end wait for stragglers on exit.
  static int liveThreads();
  // System threads parked now, waiting for an object to run.
  static std::size_t parkedThreads();
  // Waits until liveThreads() is 0 or the time is up; true when all ended.
  static bool waitAllEnded(std::uint32_t timeoutMs);

 protected:
  virtual void execute() = 0;

  // Rests for ms on the thread's clock; a stop request ends the rest at
  // once. True when stopped.
  bool rest(std::uint32_t ms) { return clock_->waitFor(std::chrono::milliseconds(ms), signal_); }
  // Wakes the thread from waitForWake(): something it waits for changed.
  void wake() { signal_.wake(); }
  // Waits, in real time, for a wake or a stop request (at most the limit);
  // true when stopped.
  bool waitForWake(std::optional<ThreadSignal::Duration> limit = std::nullopt) {
    return signal_.waitForWake(limit);
  }
  ThreadSignal& signal() { return signal_; }

 private:
  static void* entry(void* first);
  // Runs execute() and the end-of-run steps; the object may be gone after.
  void run();

  bool started_ = false;
  bool freeOnTerminate_ = false;
  int startError_ = 0;
  Clock* clock_ = &systemClock();
  ThreadSignal signal_;
  OneShot done_;  // posted once execute() has returned
};

// Sleeps the calling thread for ms milliseconds.
void sleepMs(std::uint32_t ms);

}  // namespace tarvo
