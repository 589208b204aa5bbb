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
  task.slack_ = slack;
  if (task.timerSlot_ == LoopTask::kNoSlot) {
    if (freeSlots_.empty()) {
      task.timerSlot_ = static_cast<std::uint32_t>(positions_.size());
      positions_.push_back(kNoTimer);
    } else {
      task.timerSlot_ = freeSlots_.back();
      freeSlots_.pop_back();
    }
  }
  std::size_t& position = positions_[task.timerSlot_];
  if (position == kNoTimer) {
    position = timers_.size();
    timers_.push_back({due, &task, task.timerSlot_});
    heapUp(position);
  } else {
    const std::size_t i = position;
    timers_[i].due = due;
    heapUp(i);
    heapDown(positions_[task.timerSlot_]);
  }
}

void EventLoop::cancelTimer(LoopTask& task) {
  if (task.timerSlot_ == LoopTask::kNoSlot) return;
  if (positions_[task.timerSlot_] != kNoTimer) heapRemove(positions_[task.timerSlot_]);
}

void EventLoop::retire(LoopTask& task) {
  cancelTimer(task);
  if (task.timerSlot_ != LoopTask::kNoSlot) {
    freeSlots_.push_back(task.timerSlot_);
    task.timerSlot_ = LoopTask::kNoSlot;
  }
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
    std::optional<Clock::TimePoint> due;
    if (!timers_.empty()) {
      due = timers_.front().due;
      if (clock_.now() >= *due) return true;
    }
    if (poller_) {
      // Answers are handled inside the poll; what they post ends it.
      // Woken as late as the first timer allows, the loop finds many timers
      // due together: a monitor of thousands of hosts then wakes a few
      // hundred times a second, not once per host.
      int ms = 1000;
      if (due) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            *due + timers_.front().task->slack_ - clock_.now());
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
      clock_.sleepFor(*due - clock_.now());
      return true;
    }
    sleeping_ = true;
    if (due) {
      wake_.wait_until(lock, *due);
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
  while (!timers_.empty() && timers_.front().due <= now) {
    LoopTask* task = timers_.front().task;
    heapRemove(0);
    task->run();
  }
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

void EventLoop::heapSwap(std::size_t a, std::size_t b) {
  std::swap(timers_[a], timers_[b]);
  positions_[timers_[a].slot] = a;
  positions_[timers_[b].slot] = b;
}

// A four-way heap: half as many levels as a binary one, so a monitor of
// many thousand hosts moves fewer timers (each move also touches its task).
void EventLoop::heapUp(std::size_t i) {
  while (i > 0) {
    const std::size_t parent = (i - 1) / 4;
    if (!(timers_[i].due < timers_[parent].due)) return;
    heapSwap(i, parent);
    i = parent;
  }
}

void EventLoop::heapDown(std::size_t i) {
  for (;;) {
    const std::size_t first = 4 * i + 1;
    const std::size_t end = std::min(first + 4, timers_.size());
    std::size_t least = i;
    for (std::size_t c = first; c < end; ++c) {
      if (timers_[c].due < timers_[least].due) least = c;
    }
    if (least == i) return;
    heapSwap(i, least);
    i = least;
  }
}

void EventLoop::heapRemove(std::size_t i) {
  const std::uint32_t slot = timers_[i].slot;
  const std::size_t last = timers_.size() - 1;
  if (i != last) {
    heapSwap(i, last);
    timers_.pop_back();
    heapUp(i);
    heapDown(i);
  } else {
    timers_.pop_back();
  }
  positions_[slot] = kNoTimer;
}

}  // namespace tarvo
