#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace tarvo {

// Starts body on a detached system thread of its own, with every signal
// blocked there; false when the system cannot create a thread right now.
// The thread is no activity thread: ThreadBase::liveThreads() does not count
// it, so nobody waits for it on exit.
bool startDetachedThread(std::function<void()> body);

// One call that may block for a long time (a name look-up the system gives
// no way to cancel), run on a thread of its own so that whoever waits for
// the answer can walk away at once when told to stop. The call runs on to
// its end regardless, and its answer is dropped.
//
// The call must own everything it touches (capture by value): its thread
// may outlive the object that started it, the run, even the caller's
// static objects at process exit. It shares only a small answer slot with
// the waiter, freed by whichever of the two lets go of it last.
template <class R>
class DetachedCall {
 public:
  // How often a wait looks at its stop condition. abandon() needs no poll.
  static constexpr std::chrono::milliseconds kStopPoll{100};

  DetachedCall() = default;
  DetachedCall(const DetachedCall&) = delete;
  DetachedCall& operator=(const DetachedCall&) = delete;

  // Runs call on its own thread; false when no thread could be had (the
  // call was not made).
  bool start(std::function<R()> call) {
    return startDetachedThread([slot = slot_, call = std::move(call)] {
      R answer = call();
      std::lock_guard<std::mutex> lock(slot->mutex);
      slot->answer = std::move(answer);
      slot->changed.notify_all();
    });
  }

  // Waits for the answer; nothing once abandon() was called, or stopped()
  // turned true, first. Only after a start() that returned true: a call
  // never made answers nothing.
  std::optional<R> wait(const std::function<bool()>& stopped = {}) {
    std::unique_lock<std::mutex> lock(slot_->mutex);
    while (!slot_->answer && !slot_->abandoned) {
      if (stopped && stopped()) return std::nullopt;
      slot_->changed.wait_for(lock, kStopPoll);
    }
    if (slot_->abandoned) return std::nullopt;
    return std::move(slot_->answer);
  }

  // Ends a wait in progress at once, and every later one, empty-handed.
  // Any thread may call it.
  void abandon() {
    std::lock_guard<std::mutex> lock(slot_->mutex);
    slot_->abandoned = true;
    slot_->changed.notify_all();
  }

 private:
  struct Slot {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<R> answer;
    bool abandoned = false;
  };
  std::shared_ptr<Slot> slot_ = std::make_shared<Slot>();
};

}  // namespace tarvo
