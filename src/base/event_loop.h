#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/loop_timers.h"
#include "base/one_shot.h"

namespace tarvo {

class EventLoop;

// A small state machine run by an EventLoop: a sweep's address or a
// monitored host that sends a request, waits for its answer, rests and
// sends again. Thousands of them share the loop's one thread instead of a
// thread each, so they cost neither a stack nor a task switch apiece.
//
// run() is called on the loop's thread only, never twice at once: when the
// task was posted (an answer came, a stop was asked for) or when its timer
// is due. A task ends with retire(); after that nothing touches it, and
// whoever waits for it may free it.
class LoopTask {
 public:
  LoopTask() = default;
  virtual ~LoopTask() = default;
  LoopTask(const LoopTask&) = delete;
  LoopTask& operator=(const LoopTask&) = delete;

  // Blocks until the task has retired.
  void waitFor() { retired_.wait(); }
  bool finished() const { return retired_.posted(); }

 protected:
  virtual void run() = 0;
  // In run(): whether something was delivered (EventLoop::deliver) since
  // the last look.
  bool takeDelivery() { return std::exchange(delivered_, false); }

 private:
  friend class EventLoop;
  // With the loop's lock.
  LoopTask* prevPosted_ = nullptr;
  LoopTask* nextPosted_ = nullptr;
  bool posted_ = false;
  bool gone_ = false;  // retired: later posts are dropped
  bool deliveredPending_ = false;
  // Loop thread only.
  bool delivered_ = false;
  LoopTimers::Id timer_ = LoopTimers::kNoId;
  OneShot retired_;
};

// What a loop waits on besides its tasks and timers: the echo sockets, for
// the loop that also reads every answer. poll() runs on the loop's thread;
// wake() on any thread ends a poll under way (or the next one) at once.
class LoopPoller {
 public:
  // Waits at most timeoutMs (0: only looks) and handles what came.
  virtual void poll(int timeoutMs) = 0;
  virtual void wake() = 0;

 protected:
  ~LoopPoller() = default;
};

// One thread that runs LoopTasks: the posted ones in the order they were
// posted, then those whose timer is due, in the order of their times. The
// loop waits by its clock: on the system clock for the next timer or post;
// a test clock that only pretends to sleep moves its time to the next timer
// at once when nothing is posted.
class EventLoop {
 public:
  // With a poller the loop polls it between its tasks (without waiting) and
  // waits in it when there is nothing to run; such a loop keeps real time.
  explicit EventLoop(Clock& clock = systemClock(), LoopPoller* poller = nullptr);
  // Ends the thread; tasks still held are dropped, never run.
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Starts the thread; false when the system cannot create one now.
  bool start();
  // Or runs the loop on the calling thread, until the loop is destroyed.
  void run();

  // Any thread: runs the task soon. A task already posted and not yet run
  // is not posted twice; a retired one is not posted at all.
  void post(LoopTask& task);

  // Any thread: hands the task something it waits for (an answer) and
  // posts it. The task hears of it through takeDelivery() only once this
  // call is done with the task, so it cannot end and be freed while the
  // deliverer still touches it, as it could were the news a flag of its own.
  void deliver(LoopTask& task);

  // Loop thread only: runs the task at `due` (at once when it has passed),
  // instead of any time it was set for before. A loop that polls may run it
  // up to `slack` late, to run it together with others due about then.
  void runAt(LoopTask& task, Clock::TimePoint due, Clock::Duration slack = Clock::Duration::zero());
  void cancelTimer(LoopTask& task);
  // Loop thread only: the task has ended; drops its timer and any post.
  void retire(LoopTask& task);

  Clock& clock() const { return clock_; }

 private:
  bool takePosted(std::vector<LoopTask*>& out);
  void postLocked(LoopTask& task);
  void unlinkPosted(LoopTask& task);  // with the lock
  void runDueTimers();

  static constexpr std::size_t kPolledBatch = 64;

  Clock& clock_;
  LoopPoller* poller_;
  const bool realTime_;  // the system clock: wait on the condition variable
  std::mutex mutex_;
  std::condition_variable wake_;
  LoopTask* postedHead_ = nullptr;
  LoopTask* postedTail_ = nullptr;
  bool sleeping_ = false;
  bool stop_ = false;
  bool running_ = false;  // run() under way
  LoopTimers timers_;     // loop thread only
  std::thread thread_;
  std::thread::id runner_;  // the loop's thread, once it runs
};

}  // namespace tarvo
