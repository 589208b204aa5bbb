#include "base/loop_timers.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace tarvo {

namespace {
// Cancelled timers may wait in the queue up to this many beyond the live
// ones before the queue is rebuilt without them.
constexpr std::size_t kStaleAllowance = 1024;
}  // namespace

void LoopTimers::set(Id& id, LoopTask* task, Clock::TimePoint due, Clock::Duration slack) {
  if (id == kNoId) {
    if (freeIds_.empty()) {
      id = static_cast<Id>(places_.size());
      places_.push_back(kNowhere);
    } else {
      id = freeIds_.back();
      freeIds_.pop_back();
    }
  } else {
    remove(id);
  }
  const Timer t{due, due + slack, task, id};
  if (tail_ != head_) {
    const Timer& last = queued(tail_ - 1);
    if (due < last.due) {
      if (t.latest < last.due) {
        places_[id] = heap_.size();
        heap_.push_back(t);
        heapUp(heap_.size() - 1);
        return;
      }
      // Run with the queue's last, still within its slack.
      return push(Timer{last.due, t.latest, task, id});
    }
  }
  push(t);
}

void LoopTimers::push(const Timer& t) {
  if (tail_ - head_ == ring_.size()) {
    std::vector<Timer> bigger(std::max<std::size_t>(64, ring_.size() * 2));
    for (std::uint64_t k = head_; k != tail_; ++k) bigger[k & (bigger.size() - 1)] = queued(k);
    ring_ = std::move(bigger);
  }
  places_[t.id] = kQueued | tail_;
  queued(tail_++) = t;
}

void LoopTimers::cancel(Id id) {
  if (id != kNoId) remove(id);
}

void LoopTimers::release(Id& id) {
  if (id == kNoId) return;
  remove(id);
  freeIds_.push_back(id);
  id = kNoId;
}

void LoopTimers::remove(Id id) {
  const std::uint64_t place = std::exchange(places_[id], kNowhere);
  if (place == kNowhere) return;
  if ((place & kQueued) == 0) return heapRemove(place);
  ++staleQueued_;
  const std::size_t live = tail_ - head_ - staleQueued_;
  if (staleQueued_ > live + kStaleAllowance) compact();
}

// Keeps only the live timers, in their order, under new tickets.
void LoopTimers::compact() {
  std::vector<Timer> live;
  live.reserve(tail_ - head_ - staleQueued_);
  for (std::uint64_t k = head_; k != tail_; ++k) {
    const Timer& t = queued(k);
    if (places_[t.id] == (kQueued | k)) live.push_back(t);
  }
  head_ = tail_ = 0;
  staleQueued_ = 0;
  ring_.assign(std::bit_ceil(std::max<std::size_t>(64, live.size())), Timer{});
  for (const Timer& t : live) push(t);
}

bool LoopTimers::frontLive() {
  while (head_ != tail_) {
    const Timer& t = queued(head_);
    if (places_[t.id] == (kQueued | head_)) return true;
    ++head_;
    --staleQueued_;
  }
  return false;
}

const LoopTimers::Timer* LoopTimers::earliest(bool& fromHeap) {
  const bool queue = frontLive();
  fromHeap = !heap_.empty() && (!queue || heap_.front().due < queued(head_).due);
  if (fromHeap) return &heap_.front();
  return queue ? &queued(head_) : nullptr;
}

std::optional<LoopTimers::Next> LoopTimers::next() {
  bool fromHeap = false;
  const Timer* first = earliest(fromHeap);
  if (!first) return std::nullopt;
  return Next{first->due, first->latest};
}

LoopTask* LoopTimers::takeDue(Clock::TimePoint now) {
  bool fromHeap = false;
  const Timer* first = earliest(fromHeap);
  if (!first || first->due > now) return nullptr;
  LoopTask* task = first->task;
  places_[first->id] = kNowhere;
  if (fromHeap) {
    heapRemove(0);
  } else {
    ++head_;
  }
  return task;
}

void LoopTimers::heapPlace(std::size_t i, const Timer& t) {
  heap_[i] = t;
  places_[t.id] = i;
}

// A four-way heap: half as many levels as a binary one.
void LoopTimers::heapUp(std::size_t i) {
  const Timer t = heap_[i];
  while (i > 0) {
    const std::size_t parent = (i - 1) / 4;
    if (!(t.due < heap_[parent].due)) break;
    heapPlace(i, heap_[parent]);
    i = parent;
  }
  heapPlace(i, t);
}

void LoopTimers::heapDown(std::size_t i) {
  const Timer t = heap_[i];
  for (;;) {
    const std::size_t first = 4 * i + 1;
    const std::size_t end = std::min(first + 4, heap_.size());
    if (first >= end) break;
    std::size_t least = first;
    for (std::size_t c = first + 1; c < end; ++c) {
      if (heap_[c].due < heap_[least].due) least = c;
    }
    if (!(heap_[least].due < t.due)) break;
    heapPlace(i, heap_[least]);
    i = least;
  }
  heapPlace(i, t);
}

void LoopTimers::heapRemove(std::size_t i) {
  const std::size_t last = heap_.size() - 1;
  if (i != last) {
    heapPlace(i, heap_[last]);
    heap_.pop_back();
    heapUp(i);
    heapDown(i);
  } else {
    heap_.pop_back();
  }
}

}  // namespace tarvo
