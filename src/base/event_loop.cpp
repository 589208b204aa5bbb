#include "base/event_loop.h"

#include <algorithm>
#include <optional>
#include <system_error>

namespace tarvo {

EventLoop::EventLoop(Clock& clock, LoopPoller* poller)
    : clock_(poller ? systemClock() : clock),
      poller_(poller),
      realTime_(&clock_ == &systemClock()) {}

EventLoop::~EventLoop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (poller_) poller_->wake();
  if (thread_.joinable()) {
    thread_.join();
  } else {
    // run() on a thread of the caller's: it must be out before the memory goes.
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return !running_; });
  }
}

bool EventLoop::start() {
  if (thread_.joinable()) return true;
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void EventLoop::post(LoopTask& task) {
  std::lock_guard<std::mutex> lock(mutex_);
  postLocked(task);
}

void EventLoop::deliver(LoopTask& task) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (task.gone_) return;
  task.deliveredPending_ = true;
  postLocked(task);
}

void EventLoop::postLocked(LoopTask& task) {
  if (task.posted_ || task.gone_) return;
  task.posted_ = true;
  task.prevPosted_ = postedTail_;
  task.nextPosted_ = nullptr;
  (postedTail_ ? postedTail_->nextPosted_ : postedHead_) = &task;
  postedTail_ = &task;
  // One wake-up is enough for every post until the loop runs; the loop
  // posting to itself needs none. Given under the lock: once the loop has
  // run the task, its owner may free the loop, and nothing may touch it then.
  if (!sleeping_ || std::this_thread::get_id() == runner_) return;
  sleeping_ = false;
  if (poller_) {
    poller_->wake();
  } else {
    wake_.notify_one();
  }
}

void EventLoop::unlinkPosted(LoopTask& task) {
  (task.prevPosted_ ? task.prevPosted_->nextPosted_ : postedHead_) = task.nextPosted_;
  (task.nextPosted_ ? task.nextPosted_->prevPosted_ : postedTail_) = task.prevPosted_;
  task.prevPosted_ = task.nextPosted_ = nullptr;
  task.posted_ = false;
}

void EventLoop::runAt(LoopTask& task, Clock::TimePoint due, Clock::Duration slack) {
  timers_.set(task.timer_, &task, due, slack);
}

void EventLoop::cancelTimer(LoopTask& task) { timers_.cancel(task.timer_); }

void EventLoop::retire(LoopTask& task) {
  timers_.release(task.timer_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (task.posted_) unlinkPosted(task);
    task.gone_ = true;
  }
  // Whoever waits may free the task from here on.
  task.retired_.post();
}

bool EventLoop::takePosted(std::vector<LoopTask*>& out) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (stop_) return false;
    if (postedHead_) break;
    const std::optional<LoopTimers::Next> due = timers_.next();
    if (due && clock_.now() >= due->due) return true;
    if (poller_) {
      // Answers are handled inside the poll; what they post ends it.
      // Woken as late as the first timer allows, the loop finds many timers
      // due together: a monitor of thousands of hosts then wakes a few
      // hundred times a second, not once per host.
      int ms = 1000;
      if (due) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(due->latest - clock_.now());
        ms = static_cast<int>(std::clamp<long long>(left.count(), 0, ms));
      }
      sleeping_ = true;
      lock.unlock();
      poller_->poll(ms);
      lock.lock();
      sleeping_ = false;
      if (due) return true;
      continue;
    }
    if (due && !realTime_) {
      // A pretend clock jumps to the next timer.
      lock.unlock();
      clock_.sleepFor(due->due - clock_.now());
      return true;
    }
    sleeping_ = true;
    if (due) {
      wake_.wait_until(lock, due->due);
    } else {
      wake_.wait(lock);
    }
    sleeping_ = false;
  }
  // A loop that reads answers takes a few tasks at a time and looks for
  // answers in between: thousands of starts in one go would leave the
  // answers to their first requests to overflow the socket meanwhile.
  const std::size_t most = poller_ ? kPolledBatch : static_cast<std::size_t>(-1);
  while (postedHead_ && out.size() < most) {
    LoopTask* t = postedHead_;
    postedHead_ = t->nextPosted_;
    t->posted_ = false;
    t->prevPosted_ = t->nextPosted_ = nullptr;
    t->delivered_ |= std::exchange(t->deliveredPending_, false);
    out.push_back(t);
  }
  if (postedHead_) {
    postedHead_->prevPosted_ = nullptr;
  } else {
    postedTail_ = nullptr;
  }
  return true;
}

void EventLoop::runDueTimers() {
  const Clock::TimePoint now = clock_.now();
  while (LoopTask* task = timers_.takeDue(now)) task->run();
}

void EventLoop::run() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) return;
    runner_ = std::this_thread::get_id();
    running_ = true;
  }
  std::vector<LoopTask*> batch;
  for (;;) {
    batch.clear();
    // Answers that came while tasks ran are taken before more tasks run,
    // so a long run of starts never leaves them to overflow the socket.
    if (poller_) poller_->poll(0);
    if (!takePosted(batch)) break;
    // Only a task itself retires, and it is in the batch once: each one
    // is alive until its own run.
    for (LoopTask* task : batch) task->run();
    runDueTimers();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  running_ = false;
  wake_.notify_all();
}

}  // namespace tarvo
