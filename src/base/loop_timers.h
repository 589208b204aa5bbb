#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/clock.h"

namespace tarvo {

class LoopTask;

// The timers of an EventLoop, one per task at most, taken in the order of
// their times. Loop thread only.
//
// A monitor sets its hosts' timers one delay after their last start, so
// nearly every new timer is the latest of all. Those go to the back of a
// sorted queue, which costs nothing to keep in order; a timer that may run
// late (its slack) joins the queue too when the queue's last time is within
// its slack. Only the others go to a four-way heap. A timer moved or
// cancelled while queued is left where it is and skipped when its turn
// comes.
class LoopTimers {
 public:
  using Id = std::uint32_t;
  static constexpr Id kNoId = static_cast<Id>(-1);

  // Sets the timer of `id` (given one when it has none) to run at `due`, at
  // the latest `due + slack`, instead of any time it was set for before.
  void set(Id& id, LoopTask* task, Clock::TimePoint due, Clock::Duration slack);
  void cancel(Id id);
  // Cancels the timer and gives its id back; `id` becomes kNoId.
  void release(Id& id);

  struct Next {
    Clock::TimePoint due;
    Clock::TimePoint latest;
  };
  // The earliest timer, if any.
  std::optional<Next> next();
  // Takes the earliest timer when it is due at `now`: its task, or nullptr.
  LoopTask* takeDue(Clock::TimePoint now);

  // Timers set and not yet taken or cancelled.
  std::size_t size() const { return heap_.size() + (tail_ - head_) - staleQueued_; }

 private:
  struct Timer {
    Clock::TimePoint due;
    Clock::TimePoint latest;
    LoopTask* task;
    Id id;
  };
  // Where an id's timer is: kNowhere, a heap index, or kQueued | its ticket.
  static constexpr std::uint64_t kNowhere = static_cast<std::uint64_t>(-1);
  static constexpr std::uint64_t kQueued = std::uint64_t{1} << 62;

  void remove(Id id);
  void push(const Timer& t);
  Timer& queued(std::uint64_t ticket) { return ring_[ticket & (ring_.size() - 1)]; }
  // Drops cancelled timers from the queue's front; false when it is empty.
  bool frontLive();
  // The earliest timer, in the heap or at the queue's front; null if none.
  const Timer* earliest(bool& fromHeap);
  void compact();
  void heapUp(std::size_t i);
  void heapDown(std::size_t i);
  void heapPlace(std::size_t i, const Timer& t);
  void heapRemove(std::size_t i);

  std::vector<Timer> heap_;
  // The sorted queue, a ring numbered by tickets: its front is head_, the
  // next to come tail_. A ticket stays with its timer until it is taken.
  std::vector<Timer> ring_;
  std::uint64_t head_ = 0;
  std::uint64_t tail_ = 0;
  std::size_t staleQueued_ = 0;
  // Each id's place, kept here rather than in the tasks: moving a timer
  // then touches no task.
  std::vector<std::uint64_t> places_;
  std::vector<Id> freeIds_;
};

}  // namespace tarvo
