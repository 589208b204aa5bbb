#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace tarvo {

// A signal given once, from one thread to one waiting thread, for hand-offs
// that happen tens of thousands of times a second. Unlike a condition
// variable with its mutex, the woken thread does not at once block again
// on a lock its waker still holds, so one hand-off costs one wake-up, and
// none when the signal came before the wait.
//
// Whatever the poster wrote before post() is visible to the waiter once its
// wait returns true. The waiter may destroy the object as soon as its wait
// has returned true, even while post() is still returning: post() touches
// the object's memory only with the atomic exchange, after which the
// system's wake-up uses its address alone (a stale address wakes nobody, or
// a waiter that looks again and sleeps on).
class OneShot {
 public:
  OneShot() = default;
  OneShot(const OneShot&) = delete;
  OneShot& operator=(const OneShot&) = delete;

  void post();
  // Waits for the signal; false when the deadline came first.
  bool waitUntil(std::chrono::steady_clock::time_point deadline) { return await(&deadline); }
  void wait() { await(nullptr); }
  // True once post() has been made; what the poster wrote before it is then
  // visible, as after a wait.
  bool posted() const { return state_.load(std::memory_order_acquire) == kPosted; }

 private:
  static constexpr std::uint32_t kWaiting = 0;
  static constexpr std::uint32_t kPosted = 1;
  static constexpr std::uint32_t kSleeping = 2;  // a waiter may be asleep
  // Waits for the post, or until the deadline when there is one.
  bool await(const std::chrono::steady_clock::time_point* deadline);
  // Waits while the word is kSleeping; false once the deadline has passed.
  bool sleep(const std::chrono::steady_clock::time_point* deadline);

  std::atomic<std::uint32_t> state_{kWaiting};
};

}  // namespace tarvo
